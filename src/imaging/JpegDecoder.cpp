#include "JpegDecoder.h"

#ifdef HANDFOLIO_HAVE_LIBJPEG

#include <algorithm>
#include <csetjmp>
#include <cstdio>
// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>
// After jpeglib.h: the warning codes.
#include <jerror.h>

namespace hf {
namespace {

// libjpeg reports errors by calling error_exit, which must not return; we
// jump back to decodeJpeg. Nothing with a destructor lives in the frames
// the jump leaves: only libjpeg's own C frames.
struct ErrorManager {
    jpeg_error_mgr base{};
    std::jmp_buf back{};
    bool damaged = false;
};

[[noreturn]] void onError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->back, 1);
}

// Warnings come in two kinds. Some say only that the file is untidy (stray
// bytes before a marker, an odd header): the pixels are whole and every
// viewer shows them. The others mean pixels are missing or garbled. Any
// warning not known to be harmless counts as damage.
bool harmless(int code)
{
    switch (code) {
    case JWRN_EXTRANEOUS_DATA:
    case JWRN_JFIF_MAJOR:
    case JWRN_ADOBE_XFORM:
    case JWRN_BOGUS_ICC:
        return true;
    default:
        return false;
    }
}

void onMessage(j_common_ptr info, int level)
{
    if (level >= 0)
        return;  // trace messages
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    ++errors->base.num_warnings;
    if (!harmless(errors->base.msg_code))
        errors->damaged = true;
}

// Every block of every component costs at least one bit in a Huffman-coded
// scan, so a file declares no more blocks than it has bits. Arithmetic
// coding has no such floor; there libjpeg's memory is capped instead.
bool holdsWhatItDeclares(const jpeg_decompress_struct& info, std::size_t fileBytes)
{
    if (info.arith_code)
        return true;
    std::int64_t blocks = 0;
    for (int c = 0; c < info.num_components; ++c)
        blocks += std::int64_t(info.comp_info[c].width_in_blocks) * info.comp_info[c].height_in_blocks;
    return blocks <= std::int64_t(fileBytes) * 8;
}

// libjpeg's own working memory for an arithmetic-coded file: enough for the
// coefficients of a large photo, not for whatever a header may claim.
long arithmeticMemoryCap(std::size_t fileBytes)
{
    constexpr std::uint64_t kBase = std::uint64_t(64) << 20;
    return long(std::min<std::uint64_t>(kBase + 64 * std::uint64_t(fileBytes), std::uint64_t(1) << 31));
}

struct Decompressor {
    jpeg_decompress_struct info{};
    ErrorManager errors;
    bool created = false;
};

// Everything between setjmp and a possible longjmp is plain C data; the
// bitmap is the caller's and only reached through a pointer.
JpegResult decode(Decompressor& d, const std::uint8_t* data, std::size_t size, int minSide, const DecodeStop* stop,
                  LBitmap* out)
{
    d.info.err = jpeg_std_error(&d.errors.base);
    d.errors.base.error_exit = onError;
    d.errors.base.emit_message = onMessage;
    if (setjmp(d.errors.back))
        return JpegResult::Failed;
    jpeg_create_decompress(&d.info);
    d.created = true;
    jpeg_mem_src(&d.info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&d.info, TRUE);

    if (std::int64_t(d.info.image_width) * d.info.image_height > kMaxPicturePixels ||
        !holdsWhatItDeclares(d.info, size) || d.errors.damaged)
        return JpegResult::Failed;
    if (d.info.arith_code)
        d.info.mem->max_memory_to_use = arithmeticMemoryCap(size);
    const bool gray = d.info.jpeg_color_space == JCS_GRAYSCALE;
    if (!gray && d.info.num_components != 3)
        return JpegResult::Unsupported;
    d.info.out_color_space = gray ? JCS_GRAYSCALE : JCS_RGB;
    if (minSide > 0) {
        const std::int64_t longer = std::max(d.info.image_width, d.info.image_height);
        unsigned eighths = 1;
        while (eighths < 8 && (longer * eighths + 7) / 8 < minSide)
            ++eighths;
        d.info.scale_num = eighths;
        d.info.scale_denom = 8;
    }
    jpeg_start_decompress(&d.info);

    const int width = int(d.info.output_width);
    const int height = int(d.info.output_height);
    *out = gray ? LBitmap::indexed(width, height, 8, grayPalette(), LBitmap::Pixels::ToBeWritten)
                : LBitmap::rgb(width, height, LBitmap::Pixels::ToBeWritten);
    if (!out->IsAllocated())
        return JpegResult::Failed;
    while (d.info.output_scanline < d.info.output_height) {
        JSAMPROW rows[4];
        const int y = int(d.info.output_scanline);
        if (y % 16 == 0 && stopNow(*stop))
            return JpegResult::Failed;
        int n = 0;
        for (; n < 4 && y + n < height; ++n)
            rows[n] = out->row(y + n);
        if (jpeg_read_scanlines(&d.info, rows, JDIMENSION(n)) == 0)
            return JpegResult::Failed;
    }
    jpeg_finish_decompress(&d.info);
    return d.errors.damaged ? JpegResult::Failed : JpegResult::Decoded;
}

}  // namespace

JpegResult decodeJpeg(std::span<const std::uint8_t> file, LBitmap& out, int minSide, const DecodeStop& stop)
{
    Decompressor d{};
    LBitmap picture;
    const JpegResult result = decode(d, file.data(), file.size(), minSide, &stop, &picture);
    if (d.created)
        jpeg_destroy_decompress(&d.info);
    if (result == JpegResult::Decoded)
        out = std::move(picture);
    return result;
}

bool haveJpegDecoder()
{
    return true;
}

}  // namespace hf

#else

namespace hf {

JpegResult decodeJpeg(std::span<const std::uint8_t>, LBitmap&, int, const DecodeStop&)
{
    return JpegResult::Unsupported;
}

bool haveJpegDecoder()
{
    return false;
}

}  // namespace hf

#endif
