#include "BmpRle.h"

#include <algorithm>

namespace hf {
namespace {

constexpr std::uint32_t kRle8 = 1;
constexpr std::uint32_t kRle4 = 2;
constexpr std::size_t kFileHeaderSize = 14;
// A run or an escape takes two bytes and codes at most 255 pixels; a little
// room is left for pictures smaller than one run.
constexpr std::int64_t kMostPixelsPerByte = 128;
constexpr std::int64_t kSmallPicture = 65536;

std::uint32_t le(std::span<const std::uint8_t> b, std::size_t at, int size)
{
    std::uint32_t v = 0;
    for (int i = size - 1; i >= 0; --i)
        v = (v << 8) | b[at + std::size_t(i)];
    return v;
}

struct Header {
    int width = 0;
    int height = 0;
    bool fourBits = false;
    std::vector<Rgb> palette;
    std::span<const std::uint8_t> stream;
};

// Follows the stream; with a picture, writes the pixels it codes into it.
// Rows count from the bottom, as the file stores them.
bool walk(const Header& h, LBitmap* picture)
{
    const std::span<const std::uint8_t> s = h.stream;
    std::size_t p = 0;
    std::int64_t x = 0, y = 0;
    auto put = [&](std::uint8_t index) {
        if (picture && x < h.width)
            picture->row(int(h.height - 1 - y))[x] = index < picture->palette().size() ? index : 0;
        ++x;
    };
    while (p + 2 <= s.size()) {
        const std::uint8_t count = s[p], value = s[p + 1];
        p += 2;
        if (count > 0) {
            if (y >= h.height)
                return false;
            for (int i = 0; i < count; ++i)
                put(h.fourBits ? std::uint8_t(i % 2 ? value & 0x0F : value >> 4) : value);
            continue;
        }
        if (value == 0) {  // end of line
            x = 0;
            ++y;
        } else if (value == 1) {  // end of bitmap
            return true;
        } else if (value == 2) {  // move right and up
            if (p + 2 > s.size())
                return false;
            x += s[p];
            y += s[p + 1];
            p += 2;
            if (y > h.height)
                return false;
        } else {  // literal pixels, padded to an even byte count
            const std::size_t bytes = h.fourBits ? (value + 1u) / 2 : value;
            if (y >= h.height || p + bytes > s.size())
                return false;
            for (int i = 0; i < value; ++i)
                put(h.fourBits ? std::uint8_t(i % 2 ? s[p + i / 2] & 0x0F : s[p + i / 2] >> 4) : s[p + i]);
            p += bytes + (bytes & 1);
        }
    }
    // Ran out of bytes: whole only when every row was reached.
    return y >= h.height;
}

}  // namespace

RleResult decodeRleBmp(std::span<const std::uint8_t> file, LBitmap& out)
{
    if (file.size() < kFileHeaderSize + 4 || file[0] != 'B' || file[1] != 'M')
        return RleResult::NotRle;
    const std::uint32_t headerSize = le(file, 14, 4);
    if (headerSize < 40 || file.size() < kFileHeaderSize + 40)
        return RleResult::NotRle;
    const std::uint32_t compression = le(file, 30, 4);
    const std::uint32_t bits = le(file, 28, 2);
    if (!((compression == kRle8 && bits == 8) || (compression == kRle4 && bits == 4)))
        return RleResult::NotRle;

    Header h;
    const std::int32_t width = std::int32_t(le(file, 18, 4));
    const std::int32_t height = std::int32_t(le(file, 22, 4));
    // Compressed rows are always stored bottom-up: a negative height is damage.
    if (width <= 0 || height <= 0 || std::int64_t(width) * height > kMaxPicturePixels)
        return RleResult::Failed;
    h.width = width;
    h.height = height;
    h.fourBits = compression == kRle4;

    const std::uint32_t offset = le(file, 10, 4);
    if (offset >= file.size() || offset < kFileHeaderSize + headerSize)
        return RleResult::Failed;
    h.stream = file.subspan(offset);
    if (std::int64_t(width) * height > kSmallPicture + kMostPixelsPerByte * std::int64_t(h.stream.size()))
        return RleResult::Failed;

    const std::uint32_t most = 1u << bits;
    std::uint32_t colours = le(file, 46, 4);
    if (colours == 0 || colours > most)
        colours = most;
    const std::size_t table = kFileHeaderSize + headerSize;
    colours = std::min<std::uint32_t>(colours, std::uint32_t((offset - table) / 4));
    if (colours == 0)
        return RleResult::Failed;
    for (std::uint32_t i = 0; i < colours; ++i) {
        const std::size_t at = table + 4 * std::size_t(i);
        h.palette.push_back({file[at + 2], file[at + 1], file[at]});
    }

    if (!walk(h, nullptr))
        return RleResult::Failed;
    const int depth = colours <= 2 ? 1 : colours <= 4 ? 2 : colours <= 16 ? 4 : 8;
    LBitmap picture = LBitmap::indexed(width, height, depth, h.palette, LBitmap::Pixels::Cleared);
    if (!picture.IsAllocated() || !walk(h, &picture))
        return RleResult::Failed;
    out = std::move(picture);
    return RleResult::Decoded;
}

}  // namespace hf
