#include "Truncation.h"

#include <cstddef>
#include <cstring>

namespace hf {
namespace {

class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    bool has(std::size_t n) const { return pos_ <= bytes_.size() && bytes_.size() - pos_ >= n; }
    bool atEnd() const { return pos_ >= bytes_.size(); }
    std::size_t pos() const { return pos_; }
    void seek(std::size_t pos) { pos_ = pos; }
    bool skip(std::size_t n)
    {
        if (!has(n))
            return false;
        pos_ += n;
        return true;
    }
    std::uint8_t u8() { return bytes_[pos_++]; }
    std::uint16_t be16()
    {
        const std::uint16_t v = std::uint16_t((bytes_[pos_] << 8) | bytes_[pos_ + 1]);
        pos_ += 2;
        return v;
    }
    std::uint32_t le(std::size_t at, int size) const
    {
        std::uint32_t v = 0;
        for (int i = size - 1; i >= 0; --i)
            v = (v << 8) | bytes_[at + std::size_t(i)];
        return v;
    }
    std::span<const std::uint8_t> bytes() const { return bytes_; }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
};

bool startsWith(std::span<const std::uint8_t> file, const char* magic)
{
    const std::size_t n = std::strlen(magic);
    return file.size() >= n && std::memcmp(file.data(), magic, n) == 0;
}

// Walks the marker segments; the entropy-coded data after each start of
// scan runs to the next marker (a 0xFF not followed by a stuffed zero, a
// restart marker or fill). Whole means the end-of-image marker is reached.
bool jpegTruncated(std::span<const std::uint8_t> file)
{
    Reader in(file);
    in.skip(2);
    while (true) {
        if (!in.has(2))
            return true;
        if (in.u8() != 0xFF)
            return false;  // not what we understand: leave it to the decoder
        std::uint8_t marker = in.u8();
        while (marker == 0xFF) {
            if (!in.has(1))
                return true;
            marker = in.u8();
        }
        if (marker == 0xD9)
            return false;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue;
        if (!in.has(2))
            return true;
        const std::uint16_t length = in.be16();
        if (length < 2 || !in.skip(length - 2u))
            return true;
        if (marker != 0xDA)
            continue;
        // Entropy-coded data of the scan.
        const std::span<const std::uint8_t> bytes = in.bytes();
        std::size_t p = in.pos();
        while (true) {
            const void* hit = std::memchr(bytes.data() + p, 0xFF, bytes.size() - p);
            if (!hit)
                return true;
            p = std::size_t(static_cast<const std::uint8_t*>(hit) - bytes.data());
            if (p + 1 >= bytes.size())
                return true;
            const std::uint8_t next = bytes[p + 1];
            if (next == 0x00 || (next >= 0xD0 && next <= 0xD7) || next == 0xFF) {
                p += next == 0xFF ? 1 : 2;
                continue;
            }
            break;
        }
        in.seek(p);
    }
}

// Skips a chain of data sub-blocks, adding up the bytes they hold.
bool skipSubBlocks(Reader& in, std::size_t* total = nullptr)
{
    while (true) {
        if (!in.has(1))
            return false;
        const std::uint8_t size = in.u8();
        if (size == 0)
            return true;
        if (!in.skip(size))
            return false;
        if (total)
            *total += size;
    }
}

// Qt shows the first image of a GIF: whole means its data blocks end.
// imageData, when given, receives the bytes of that image's LZW data.
bool gifTruncated(std::span<const std::uint8_t> file, std::size_t* imageData = nullptr)
{
    Reader in(file);
    if (!in.skip(13))
        return true;
    const std::uint8_t screen = file[10];
    if ((screen & 0x80) && !in.skip(3u << ((screen & 7) + 1)))
        return true;
    while (true) {
        if (!in.has(1))
            return true;
        const std::uint8_t block = in.u8();
        if (block == 0x21) {
            if (!in.skip(1) || !skipSubBlocks(in))
                return true;
        } else if (block == 0x2C) {
            if (!in.has(9))
                return true;
            const std::uint8_t image = file[in.pos() + 8];
            in.skip(9);
            if ((image & 0x80) && !in.skip(3u << ((image & 7) + 1)))
                return true;
            return !in.skip(1) || !skipSubBlocks(in, imageData);
        } else {
            return false;  // a trailer or damage the decoder reports itself
        }
    }
}

// Uncompressed BMPs (plain or with bit fields) must hold every row.
bool bmpTruncated(std::span<const std::uint8_t> file)
{
    Reader in(file);
    if (!in.has(30))
        return true;
    const std::uint32_t dataOffset = in.le(10, 4);
    const std::uint32_t headerSize = in.le(14, 4);
    std::int64_t width = 0, height = 0;
    std::uint32_t bits = 0, compression = 0;
    if (headerSize == 12) {
        width = in.le(18, 2);
        height = in.le(20, 2);
        bits = in.le(24, 2);
    } else if (headerSize >= 40 && in.has(34)) {
        width = std::int32_t(in.le(18, 4));
        height = std::int32_t(in.le(22, 4));
        bits = in.le(28, 2);
        compression = in.le(30, 4);
    } else {
        return false;
    }
    if (compression != 0 && compression != 3 && compression != 6)
        return false;
    const std::int64_t rows = height < 0 ? -height : height;
    // Sizes no picture of ours can have are the size limit's business.
    constexpr std::int64_t kLargest = std::int64_t(1) << 24;
    if (width <= 0 || width > kLargest || rows > kLargest || bits == 0 || bits > 32)
        return false;
    const std::int64_t stride = (width * bits + 31) / 32 * 4;
    return std::int64_t(dataOffset) + stride * rows > std::int64_t(file.size());
}

// Chunks (length, type, data, checksum) up to and including IEND.
bool pngTruncated(std::span<const std::uint8_t> file)
{
    Reader in(file);
    in.skip(8);
    while (true) {
        if (!in.has(8))
            return true;
        const std::uint32_t length = std::uint32_t(in.be16()) << 16 | in.be16();
        const bool end = std::memcmp(file.data() + in.pos(), "IEND", 4) == 0;
        in.skip(4);
        if (length > 0x7FFFFFFFu)
            return false;  // damage the decoder reports
        if (!in.skip(std::size_t(length) + 4))
            return true;
        if (end)
            return false;
    }
}

// Deflate codes at most 258 bytes with two bits, so the image data of a PNG
// holds at most 1032 bytes of rows for each of its own bytes.
bool pngHoldsTooLittle(std::span<const std::uint8_t> file)
{
    Reader in(file);
    if (!in.skip(8) || !in.has(8 + 13) || std::memcmp(file.data() + 12, "IHDR", 4) != 0)
        return false;
    auto be32 = [&file](std::size_t at) {
        return std::uint64_t(file[at]) << 24 | std::uint64_t(file[at + 1]) << 16 | std::uint64_t(file[at + 2]) << 8 |
               file[at + 3];
    };
    const std::uint64_t w = be32(16), h = be32(20);
    const std::uint8_t depth = file[24], type = file[25];
    const int samples = type == 0 ? 1 : type == 2 ? 3 : type == 3 ? 1 : type == 4 ? 2 : type == 6 ? 4 : 0;
    if (samples == 0 || depth == 0)
        return false;
    const std::uint64_t rowBytes = (w * std::uint64_t(samples) * depth + 7) / 8;
    std::uint64_t data = 0;
    while (in.has(8)) {
        const std::uint32_t length = std::uint32_t(in.be16()) << 16 | in.be16();
        const bool idat = std::memcmp(file.data() + in.pos(), "IDAT", 4) == 0;
        in.skip(4);
        if (idat)
            data += length;
        if (!in.skip(std::size_t(length) + 4))
            break;
    }
    constexpr std::uint64_t kMostPerByte = 1032;
    constexpr std::uint64_t kSlack = 1 << 16;
    return rowBytes * h > kMostPerByte * data + kSlack;
}

// An LZW code takes at least three bits and stands for at most 4096
// pixels, and Qt's reader allocates the whole logical screen.
bool gifHoldsTooLittle(std::span<const std::uint8_t> file)
{
    std::size_t data = 0;
    if (file.size() < 13 || gifTruncated(file, &data))
        return false;
    const std::uint64_t screen = std::uint64_t(file[6] | file[7] << 8) * std::uint64_t(file[8] | file[9] << 8);
    constexpr std::uint64_t kMostPerByte = 4096 * 8 / 3 + 1;
    constexpr std::uint64_t kSlack = 1 << 16;
    return screen > kMostPerByte * data + kSlack;
}

}  // namespace

bool declaresMoreThanItHolds(std::span<const std::uint8_t> file)
{
    if (startsWith(file, "\x89PNG\r\n\x1A\n"))
        return pngHoldsTooLittle(file);
    if (startsWith(file, "GIF87a") || startsWith(file, "GIF89a"))
        return gifHoldsTooLittle(file);
    return false;
}

bool looksTruncated(std::span<const std::uint8_t> file)
{
    if (file.size() >= 3 && file[0] == 0xFF && file[1] == 0xD8 && file[2] == 0xFF)
        return jpegTruncated(file);
    if (startsWith(file, "GIF87a") || startsWith(file, "GIF89a"))
        return gifTruncated(file);
    if (startsWith(file, "\x89PNG\r\n\x1A\n"))
        return pngTruncated(file);
    if (startsWith(file, "BM"))
        return bmpTruncated(file);
    return false;
}

}  // namespace hf
