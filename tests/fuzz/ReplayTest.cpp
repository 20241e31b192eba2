// Every input the fuzz targets start from, and every input that once broke
// one of them, run again through the same target in each build.

#include "FuzzTargets.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

namespace hf::fuzz {
namespace {

std::vector<fs::path> inputsOf(const std::string& target, const char* kind)
{
    std::vector<fs::path> files;
    std::error_code ec;
    for (fs::directory_iterator it(fs::path(HANDFOLIO_FUZZ_INPUTS) / kind / target, ec), end; !ec && it != end;
         it.increment(ec)) {
        if (it->is_regular_file())
            files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

class Replay : public testing::TestWithParam<Target> {
protected:
    // A scratch folder of this run's own: fuzzing may be going on beside it.
    static void SetUpTestSuite()
    {
        const fs::path base = fs::temp_directory_path() / ("handfolio-replay-" + std::to_string(::getpid()));
        ::setenv("HANDFOLIO_FUZZ_DIR", base.c_str(), 1);
    }
    static void TearDownTestSuite()
    {
        std::error_code ec;
        fs::remove_all(std::getenv("HANDFOLIO_FUZZ_DIR"), ec);
    }
};

TEST_P(Replay, SeedsAndPastFindingsRunCleanly)
{
    const Target target = GetParam();
    const std::vector<fs::path> seeds = inputsOf(target.name, "corpus");
    ASSERT_FALSE(seeds.empty()) << "no seeds for " << target.name;
    std::vector<fs::path> inputs = inputsOf(target.name, "regressions");
    inputs.insert(inputs.end(), seeds.begin(), seeds.end());
    for (const fs::path& file : inputs) {
        SCOPED_TRACE(file.string());
        std::ifstream in(file, std::ios::binary);
        const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        target.run(bytes);  // a broken rule or a sanitizer report ends the process
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, Replay, testing::ValuesIn(kTargets),
                         [](const testing::TestParamInfo<Target>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace hf::fuzz
