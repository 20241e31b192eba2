#include "Pictures.h"

#include "OtherFormats.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>
#include <libexif/exif-data.h>

namespace hf::opc {
namespace {

// Larger than any camera's photo; a file that claims more is refused
// before anything is allocated for it.
constexpr std::int64_t kMaxSourcePixels = 200'000'000;

struct ExifDataDeleter {
    void operator()(ExifData* d) const { exif_data_unref(d); }
};

// libjpeg reports errors through error_exit, which must not return: it
// jumps back to the function that set the jump buffer. Only libjpeg's C
// frames and plain data lie between.
struct JpegErrors {
    jpeg_error_mgr base;
    std::jmp_buf back;
};

[[noreturn]] void onJpegError(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->back, 1);
}

void onJpegMessage(j_common_ptr) {}

struct Decoder {
    jpeg_decompress_struct info{};
    JpegErrors errors{};
    bool created = false;
    Decoder() = default;
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;
    ~Decoder()
    {
        if (created)
            jpeg_destroy_decompress(&info);
    }
};

bool decodeInto(Decoder& d, Bytes file, int minSide, RgbPicture* out)
{
    d.info.err = jpeg_std_error(&d.errors.base);
    d.errors.base.error_exit = onJpegError;
    d.errors.base.output_message = onJpegMessage;
    if (setjmp(d.errors.back))
        return false;
    jpeg_create_decompress(&d.info);
    d.created = true;
    jpeg_mem_src(&d.info, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&d.info, TRUE);
    const std::int64_t w = d.info.image_width;
    const std::int64_t h = d.info.image_height;
    if (w <= 0 || h <= 0 || w * h > kMaxSourcePixels)
        return false;
    if (d.info.jpeg_color_space != JCS_GRAYSCALE && d.info.num_components != 3)
        return false;
    unsigned num = 8;
    if (minSide > 0) {
        const std::int64_t longer = std::max(w, h);
        for (num = 1; num < 8; ++num)
            if ((longer * num + 7) / 8 >= minSide)
                break;
    }
    d.info.scale_num = num;
    d.info.scale_denom = 8;
    d.info.out_color_space = JCS_RGB;
    d.info.dct_method = JDCT_ISLOW;
    jpeg_start_decompress(&d.info);
    out->width = int(d.info.output_width);
    out->height = int(d.info.output_height);
    out->pixels.resize(std::size_t(out->width) * std::size_t(out->height) * 3);
    while (d.info.output_scanline < d.info.output_height) {
        JSAMPROW row = out->pixels.data() + std::size_t(d.info.output_scanline) * std::size_t(out->width) * 3;
        if (jpeg_read_scanlines(&d.info, &row, 1) == 0)
            return false;
    }
    jpeg_finish_decompress(&d.info);
    // A file cut short or damaged decodes with warnings; that is no picture.
    return d.errors.base.num_warnings == 0;
}

struct Encoder {
    jpeg_compress_struct info{};
    JpegErrors errors{};
    bool created = false;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    Encoder() = default;
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;
    ~Encoder()
    {
        if (created)
            jpeg_destroy_compress(&info);
        std::free(buffer);
    }
};

bool encodeInto(Encoder& e, const RgbPicture& picture, int quality)
{
    e.info.err = jpeg_std_error(&e.errors.base);
    e.errors.base.error_exit = onJpegError;
    e.errors.base.output_message = onJpegMessage;
    if (setjmp(e.errors.back))
        return false;
    jpeg_create_compress(&e.info);
    e.created = true;
    jpeg_mem_dest(&e.info, &e.buffer, &e.size);
    e.info.image_width = JDIMENSION(picture.width);
    e.info.image_height = JDIMENSION(picture.height);
    e.info.input_components = 3;
    e.info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&e.info);
    jpeg_set_quality(&e.info, quality, TRUE);
    jpeg_start_compress(&e.info, TRUE);
    while (e.info.next_scanline < e.info.image_height) {
        auto* row = const_cast<JSAMPROW>(picture.pixels.data() +
                                         std::size_t(e.info.next_scanline) * std::size_t(picture.width) * 3);
        jpeg_write_scanlines(&e.info, &row, 1);
    }
    jpeg_finish_compress(&e.info);
    return true;
}

}  // namespace

JpegHead inspectJpegHead(Bytes start)
{
    JpegHead head;
    if (start.size() < 2 || start[0] != 0xFF || start[1] != 0xD8)
        return head;
    head.jpeg = true;
    std::size_t pos = 2;
    while (pos + 4 <= start.size()) {
        if (start[pos] != 0xFF)
            return head;
        const std::uint8_t marker = start[pos + 1];
        if (marker == 0xFF) {  // fill byte
            ++pos;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9)  // picture data or the end: no EXIF before it
            return head;
        if ((marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
            pos += 2;
            continue;
        }
        const std::size_t length = std::size_t(start[pos + 2]) << 8 | start[pos + 3];
        if (length < 2)
            return head;
        const std::size_t end = pos + 2 + length;
        if (marker == 0xE1 && pos + 10 <= start.size() && std::memcmp(&start[pos + 4], "Exif\0\0", 6) == 0) {
            head.exifBegin = pos + 4;
            head.exifEnd = end;
            return head;
        }
        pos = end;
    }
    return head;
}

ExifFacts readExif(Bytes payload)
{
    ExifFacts facts;
    if (payload.empty() || payload.size() > 0xFFFF)
        return facts;
    std::unique_ptr<ExifData, ExifDataDeleter> data(
        exif_data_new_from_data(payload.data(), static_cast<unsigned int>(payload.size())));
    if (!data)
        return facts;
    if (ExifEntry* e = exif_content_get_entry(data->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION)) {
        if (e->format == EXIF_FORMAT_SHORT && e->components >= 1 && e->size >= 2) {
            const int o = exif_get_short(e->data, exif_data_get_byte_order(data.get()));
            if (o >= 1 && o <= 8)
                facts.orientation = o;
        }
    }
    if (data->data && data->size > 0)
        facts.thumbnail.assign(data->data, data->data + data->size);
    return facts;
}

ExifFacts readExifOfFile(Bytes file)
{
    const JpegHead head = inspectJpegHead(file);
    if (head.exifEnd == 0 || head.exifEnd > file.size())
        return {};
    return readExif(file.subspan(head.exifBegin, head.exifEnd - head.exifBegin));
}

std::optional<RgbPicture> decodeJpegScaled(Bytes file, int minSide)
{
    if (file.size() < 4)
        return std::nullopt;
    auto decoder = std::make_unique<Decoder>();
    RgbPicture out;
    if (!decodeInto(*decoder, file, minSide, &out))
        return std::nullopt;
    return out;
}

RgbPicture fitInside(const RgbPicture& picture, int maxSide)
{
    const int longer = std::max(picture.width, picture.height);
    if (longer <= maxSide || longer == 0)
        return picture;
    RgbPicture out;
    out.width = std::max(1, int((std::int64_t(picture.width) * maxSide + longer / 2) / longer));
    out.height = std::max(1, int((std::int64_t(picture.height) * maxSide + longer / 2) / longer));
    out.pixels.resize(std::size_t(out.width) * std::size_t(out.height) * 3);
    for (int ty = 0; ty < out.height; ++ty) {
        const int y0 = int(std::int64_t(ty) * picture.height / out.height);
        const int y1 = std::max(y0 + 1, int(std::int64_t(ty + 1) * picture.height / out.height));
        for (int tx = 0; tx < out.width; ++tx) {
            const int x0 = int(std::int64_t(tx) * picture.width / out.width);
            const int x1 = std::max(x0 + 1, int(std::int64_t(tx + 1) * picture.width / out.width));
            std::uint32_t sum[3] = {0, 0, 0};
            for (int y = y0; y < y1; ++y) {
                const std::uint8_t* p = &picture.pixels[(std::size_t(y) * std::size_t(picture.width) + std::size_t(x0)) * 3];
                for (int x = x0; x < x1; ++x, p += 3) {
                    sum[0] += p[0];
                    sum[1] += p[1];
                    sum[2] += p[2];
                }
            }
            const std::uint32_t n = std::uint32_t((y1 - y0) * (x1 - x0));
            std::uint8_t* q = &out.pixels[(std::size_t(ty) * std::size_t(out.width) + std::size_t(tx)) * 3];
            for (int c = 0; c < 3; ++c)
                q[c] = std::uint8_t((sum[c] + n / 2) / n);
        }
    }
    return out;
}

RgbPicture upright(const RgbPicture& picture, int orientation)
{
    if (orientation <= 1 || orientation > 8)
        return picture;
    const int w = picture.width;
    const int h = picture.height;
    const bool swap = orientation >= 5;
    RgbPicture out;
    out.width = swap ? h : w;
    out.height = swap ? w : h;
    out.pixels.resize(picture.pixels.size());
    for (int y = 0; y < out.height; ++y) {
        for (int x = 0; x < out.width; ++x) {
            int sx = x;
            int sy = y;
            switch (orientation) {
            case 2: sx = w - 1 - x; break;
            case 3: sx = w - 1 - x; sy = h - 1 - y; break;
            case 4: sy = h - 1 - y; break;
            case 5: sx = y; sy = x; break;
            case 6: sx = y; sy = h - 1 - x; break;
            case 7: sx = w - 1 - y; sy = h - 1 - x; break;
            case 8: sx = w - 1 - y; sy = x; break;
            default: break;
            }
            std::memcpy(&out.pixels[(std::size_t(y) * std::size_t(out.width) + std::size_t(x)) * 3],
                        &picture.pixels[(std::size_t(sy) * std::size_t(w) + std::size_t(sx)) * 3], 3);
        }
    }
    return out;
}

std::vector<std::uint8_t> encodeJpeg(const RgbPicture& picture, int quality)
{
    if (picture.width <= 0 || picture.height <= 0)
        return {};
    auto encoder = std::make_unique<Encoder>();
    if (!encodeInto(*encoder, picture, quality))
        return {};
    return std::vector<std::uint8_t>(encoder->buffer, encoder->buffer + encoder->size);
}

std::optional<RgbPicture> smallUprightPicture(Bytes file, int maxSide)
{
    if (!inspectJpegHead(file).jpeg)
        return decodeOtherFormat(file, maxSide);
    auto decoded = decodeJpegScaled(file, maxSide);
    if (!decoded)
        return std::nullopt;
    return upright(fitInside(*decoded, maxSide), readExifOfFile(file).orientation);
}

}  // namespace hf::opc
