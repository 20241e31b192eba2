#include "Bmp.h"

#include <cassert>
#include <cstdio>
#include <memory>
#include <system_error>

namespace hf {
namespace {

// Sizes of the file header and BITMAPINFOHEADER as the format lays them out.
constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint16_t kBitsPerPixel = 8;
constexpr std::uint32_t kUncompressed = 0;      // BI_RGB
constexpr std::int32_t kPixelsPerMetre = 2835;  // 72 dots per inch
// Readers on the handheld side take an 8-bit picture to carry all 256
// entries, whatever the header says; the unused ones are zero.
constexpr std::uint32_t kTableEntries = 256;

class LittleEndian {
public:
    explicit LittleEndian(std::vector<std::uint8_t>& out) : out_(out) {}
    void u8(std::uint8_t v) { out_.push_back(v); }
    void u16(std::uint16_t v)
    {
        u8(std::uint8_t(v));
        u8(std::uint8_t(v >> 8));
    }
    void u32(std::uint32_t v)
    {
        u16(std::uint16_t(v));
        u16(std::uint16_t(v >> 16));
    }
    void i32(std::int32_t v) { u32(std::uint32_t(v)); }

private:
    std::vector<std::uint8_t>& out_;
};

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File openFile(const std::filesystem::path& path, bool exclusive)
{
#ifdef _WIN32
    return File(::_wfopen(path.c_str(), exclusive ? L"wbx" : L"wb"));
#else
    return File(std::fopen(path.c_str(), exclusive ? "wbx" : "wb"));
#endif
}

// Writes and closes; any failure, including one reported only by the
// close, counts.
bool writeAll(File file, const std::vector<std::uint8_t>& bytes)
{
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    return std::fclose(file.release()) == 0 && written;
}

}  // namespace

std::vector<std::uint8_t> encodeBmp(const LBitmap& picture)
{
    if (!picture.IsAllocated())
        return {};
    if (!picture.isIndexed()) {
        LBitmap reduced = picture;
        reduced.ColorRes(8, DitherMethod::JarvisJudiceNinke, PaletteOption::Optimised);
        return encodeBmp(reduced);
    }
    const std::uint32_t width = std::uint32_t(picture.GetWidth());
    const std::uint32_t height = std::uint32_t(picture.GetHeight());
    const std::uint32_t colours = std::uint32_t(picture.palette().size());
    assert(colours <= kTableEntries);
    const std::uint32_t stride = (width + 3) & ~3u;
    const std::uint32_t pixelBytes = stride * height;
    const std::uint32_t offset = kFileHeaderSize + kInfoHeaderSize + 4 * kTableEntries;

    std::vector<std::uint8_t> out;
    out.reserve(std::size_t(offset) + pixelBytes);
    LittleEndian le(out);
    // BITMAPFILEHEADER
    le.u8('B');
    le.u8('M');
    le.u32(offset + pixelBytes);
    le.u16(0);
    le.u16(0);
    le.u32(offset);
    // BITMAPINFOHEADER; a positive height means bottom-up rows.
    le.u32(kInfoHeaderSize);
    le.i32(std::int32_t(width));
    le.i32(std::int32_t(height));
    le.u16(1);
    le.u16(kBitsPerPixel);
    le.u32(kUncompressed);
    le.u32(pixelBytes);
    le.i32(kPixelsPerMetre);
    le.i32(kPixelsPerMetre);
    le.u32(kTableEntries);
    le.u32(0);
    // The colour table: blue, green, red, reserved.
    for (const Rgb& c : picture.palette()) {
        le.u8(c.b);
        le.u8(c.g);
        le.u8(c.r);
        le.u8(0);
    }
    out.insert(out.end(), 4 * std::size_t(kTableEntries - colours), 0);
    for (std::uint32_t y = height; y-- > 0;) {
        const std::uint8_t* row = picture.row(int(y));
        out.insert(out.end(), row, row + width);
        out.insert(out.end(), stride - width, 0);
    }
    return out;
}

bool saveBmp(const LBitmap& picture, const std::filesystem::path& path)
{
    const std::vector<std::uint8_t> bytes = encodeBmp(picture);
    if (bytes.empty())
        return false;
    // Write beside the target and rename over it, so a failure half way
    // never leaves a damaged picture under the real name.
    std::filesystem::path temporary = path;
    temporary += ".part";
    File file = openFile(temporary, false);
    std::error_code ec;
    if (!file || !writeAll(std::move(file), bytes)) {
        std::filesystem::remove(temporary, ec);
        return false;
    }
    std::filesystem::rename(temporary, path, ec);
    if (ec) {
        std::filesystem::remove(temporary, ec);
        return false;
    }
    return true;
}

bool saveBmpExclusive(const LBitmap& picture, const std::filesystem::path& path)
{
    const std::vector<std::uint8_t> bytes = encodeBmp(picture);
    if (bytes.empty())
        return false;
    File file = openFile(path, true);
    if (!file)
        return false;
    if (!writeAll(std::move(file), bytes)) {
        std::error_code ec;
        std::filesystem::remove(path, ec);
        return false;
    }
    return true;
}

bool LBitmap::Save(const std::filesystem::path& path) const
{
    return saveBmp(*this, path);
}

}  // namespace hf
