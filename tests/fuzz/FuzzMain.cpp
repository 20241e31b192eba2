// libFuzzer's entry for one target, chosen when the target is built.
#include "FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    HANDFOLIO_FUZZ_TARGET(hf::fuzz::Input(data, size));
    return 0;
}
