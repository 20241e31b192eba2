#include "JpegDecoder.h"

#ifdef HANDFOLIO_HAVE_LIBJPEG

#include <csetjmp>
#include <cstdio>
// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

namespace hf {
namespace {

// libjpeg reports errors by calling error_exit, which must not return; we
// jump back to decodeJpeg. Nothing with a destructor lives in the frames
// the jump leaves: only libjpeg's own C frames.
struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf back;
};

[[noreturn]] void onError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->back, 1);
}

// Warnings (corrupt data, a premature end) are counted by libjpeg; the
// caller looks at the count. Nothing is printed.
void onOutput(j_common_ptr) {}

struct Decompressor {
    jpeg_decompress_struct info;
    ErrorManager errors;
    bool created = false;
};

// Everything between setjmp and a possible longjmp is plain C data; the
// bitmap is the caller's and only reached through a pointer.
JpegResult decode(Decompressor& d, const std::uint8_t* data, std::size_t size, LBitmap* out)
{
    d.info.err = jpeg_std_error(&d.errors.base);
    d.errors.base.error_exit = onError;
    d.errors.base.output_message = onOutput;
    if (setjmp(d.errors.back))
        return JpegResult::Failed;
    jpeg_create_decompress(&d.info);
    d.created = true;
    jpeg_mem_src(&d.info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&d.info, TRUE);

    if (std::int64_t(d.info.image_width) * d.info.image_height > kMaxPicturePixels)
        return JpegResult::Failed;
    const bool gray = d.info.jpeg_color_space == JCS_GRAYSCALE;
    if (!gray && d.info.num_components != 3)
        return JpegResult::Unsupported;
    d.info.out_color_space = gray ? JCS_GRAYSCALE : JCS_RGB;
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
        int n = 0;
        for (; n < 4 && y + n < height; ++n)
            rows[n] = out->row(y + n);
        if (jpeg_read_scanlines(&d.info, rows, JDIMENSION(n)) == 0)
            return JpegResult::Failed;
    }
    jpeg_finish_decompress(&d.info);
    return d.errors.base.num_warnings == 0 ? JpegResult::Decoded : JpegResult::Failed;
}

} // namespace

JpegResult decodeJpeg(std::span<const std::uint8_t> file, LBitmap& out)
{
    Decompressor d{};
    LBitmap picture;
    const JpegResult result = decode(d, file.data(), file.size(), &picture);
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

} // namespace hf

#else

namespace hf {

JpegResult decodeJpeg(std::span<const std::uint8_t>, LBitmap&)
{
    return JpegResult::Unsupported;
}

bool haveJpegDecoder()
{
    return false;
}

} // namespace hf

#endif
