// What a scan helper sends the program while it scans.

#include "FuzzTargets.h"

#include "ScanStream.h"

namespace hf::fuzz {

void scanStream(Input data)
{
    ScanProgress progress;
    ScanStream stream(progress);
    ScanStream::State state = ScanStream::State::Reading;
    std::int64_t sent = 0;
    while (state == ScanStream::State::Reading && data.size() >= kScanHeaderSize) {
        const auto header = scanHeaderOf(data.first<kScanHeaderSize>());
        if (!header || data.size() - kScanHeaderSize < header->second)
            break;
        const Input payload = data.subspan(kScanHeaderSize, header->second);
        data = data.subspan(kScanHeaderSize + header->second);
        if (header->first == ScanMessage::Data)
            sent += std::int64_t(payload.size());
        state = stream.take({header->first, ScanBytes(payload.begin(), payload.end())});
    }
    HF_FUZZ_RULE(progress.bytesRead <= sent);
    const LBitmap picture = stream.picture();
    if (!picture.IsAllocated())
        return;
    // A picture only from a scan the helper called whole, within the size
    // limit, and never with more pixels than the bits that arrived.
    HF_FUZZ_RULE(state == ScanStream::State::Whole);
    const std::int64_t pixels = std::int64_t(picture.GetWidth()) * picture.GetHeight();
    HF_FUZZ_RULE(pixels > 0 && pixels <= kMaxPicturePixels && pixels <= 8 * sent);
    const int bits = picture.GetBitsPerPixel();
    HF_FUZZ_RULE(bits == 1 || bits == 8 || bits == 24);
}

}  // namespace hf::fuzz
