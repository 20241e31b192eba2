#include "HeifWriter.h"

#include <libheif/heif.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

// The HEVC encoder keeps a few blocks of its own to the end of the process;
// they are the library's, not ours, so the leak checker leaves them out.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libx265.so\n";
}

namespace hf::test {
namespace {

template <auto F> struct Call {
    template <typename T> void operator()(T* p) const { F(p); }
};
template <typename T, auto F> using Owned = std::unique_ptr<T, Call<F>>;

double srgbToLight(double v)
{
    return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

double pqOf(double nits)
{
    constexpr double m1 = 2610.0 / 16384, m2 = 2523.0 / 4096 * 128, c1 = 3424.0 / 4096, c2 = 2413.0 / 4096 * 32,
                     c3 = 2392.0 / 4096 * 32;
    const double y = std::pow(nits / 10000, m1);
    return std::pow((c1 + c2 * y) / (1 + c3 * y), m2);
}

double hlgOf(double scene)
{
    constexpr double a = 0.17883277, b = 0.28466892, c = 0.55991073;
    return scene <= 1.0 / 12 ? std::sqrt(3 * scene) : a * std::log(12 * scene - b) + c;
}

// The picture as 4:2:0 planes by the matrix and range the file will
// declare: libheif's own conversion takes BT.601 at full range whatever the
// file says, so a file declaring anything else is made here.
void fillYCbCr(heif_image* image, const LBitmap& picture, int matrix, bool fullRange)
{
    const int w = picture.GetWidth(), h = picture.GetHeight();
    const double kr = matrix == 1 ? 0.2126 : matrix == 9 ? 0.2627 : 0.299;
    const double kb = matrix == 1 ? 0.0722 : matrix == 9 ? 0.0593 : 0.114;
    const double ys = fullRange ? 1 : 219.0 / 255, yo = fullRange ? 0 : 16, cs = fullRange ? 1 : 224.0 / 255;
    auto byte = [](double v) { return std::uint8_t(std::lround(std::clamp(v, 0.0, 255.0))); };
    heif_image_add_plane(image, heif_channel_Y, w, h, 8);
    heif_image_add_plane(image, heif_channel_Cb, (w + 1) / 2, (h + 1) / 2, 8);
    heif_image_add_plane(image, heif_channel_Cr, (w + 1) / 2, (h + 1) / 2, 8);
    int ys_ = 0, cbs = 0, crs = 0;
    std::uint8_t* yp = heif_image_get_plane(image, heif_channel_Y, &ys_);
    std::uint8_t* cbp = heif_image_get_plane(image, heif_channel_Cb, &cbs);
    std::uint8_t* crp = heif_image_get_plane(image, heif_channel_Cr, &crs);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Rgb c = picture.colourAt(x, y);
            yp[y * ys_ + x] = byte(yo + ys * (kr * c.r + (1 - kr - kb) * c.g + kb * c.b));
        }
    for (int y = 0; y < h; y += 2)
        for (int x = 0; x < w; x += 2) {
            double cb = 0, cr = 0;
            int n = 0;
            for (int dy = 0; dy < 2 && y + dy < h; ++dy)
                for (int dx = 0; dx < 2 && x + dx < w; ++dx, ++n) {
                    const Rgb c = picture.colourAt(x + dx, y + dy);
                    const double luma = kr * c.r + (1 - kr - kb) * c.g + kb * c.b;
                    cb += (c.b - luma) / (2 * (1 - kb));
                    cr += (c.r - luma) / (2 * (1 - kr));
                }
            cbp[(y / 2) * cbs + x / 2] = byte(128 + cs * cb / n);
            crp[(y / 2) * crs + x / 2] = byte(128 + cs * cr / n);
        }
}

heif_error append(heif_context*, const void* data, size_t size, void* out)
{
    static_cast<std::string*>(out)->append(static_cast<const char*>(data), size);
    return {heif_error_Ok, heif_suberror_Unspecified, "ok"};
}

}  // namespace

int deepCode(std::uint8_t value, HeifMaking::Transfer transfer, int bits)
{
    const double light = srgbToLight(value / 255.0);
    double e = value / 255.0;
    if (transfer == HeifMaking::Transfer::Pq)
        e = pqOf(light * 203);
    else if (transfer == HeifMaking::Transfer::Hlg)
        e = hlgOf(light * 0.26496256);  // HLG's 75 % signal is the white
    return int(std::lround(e * ((1 << bits) - 1)));
}

std::string heifOf(const LBitmap& picture, const HeifMaking& making)
{
    const Owned<heif_context, heif_context_free> context(heif_context_alloc());
    heif_encoder* rawEncoder = nullptr;
    if (heif_context_get_encoder_for_format(
            context.get(), making.codec == HeifMaking::Codec::Av1 ? heif_compression_AV1 : heif_compression_HEVC,
            &rawEncoder)
            .code != heif_error_Ok)
        return {};
    const Owned<heif_encoder, heif_encoder_release> encoder(rawEncoder);
    heif_encoder_set_lossy_quality(encoder.get(), 90);
    heif_encoder_set_parameter_string(encoder.get(), "chroma", "420");

    const int w = picture.GetWidth(), h = picture.GetHeight();
    const bool deep = making.bits > 8;
    const bool planar = making.matrix != 6 || !making.fullRange;
    heif_image* rawImage = nullptr;
    if (planar)
        heif_image_create(w, h, heif_colorspace_YCbCr, heif_chroma_420, &rawImage);
    else
        heif_image_create(w, h, heif_colorspace_RGB,
                          deep ? heif_chroma_interleaved_RRGGBB_LE : heif_chroma_interleaved_RGB, &rawImage);
    const Owned<heif_image, heif_image_release> image(rawImage);
    if (planar)
        fillYCbCr(image.get(), picture, making.matrix, making.fullRange);
    else
        heif_image_add_plane(image.get(), heif_channel_interleaved, w, h, making.bits);
    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(image.get(), heif_channel_interleaved, &stride);
    for (int y = 0; y < h && plane; ++y)
        for (int x = 0; x < w; ++x) {
            const Rgb c = picture.colourAt(x, y);
            const std::uint8_t rgb[3] = {c.r, c.g, c.b};
            for (int k = 0; k < 3; ++k) {
                if (!deep) {
                    plane[std::size_t(y) * std::size_t(stride) + std::size_t(x) * 3 + std::size_t(k)] = rgb[k];
                    continue;
                }
                const int code = deepCode(rgb[k], making.transfer, making.bits);
                std::uint8_t* at =
                    plane + std::size_t(y) * std::size_t(stride) + std::size_t(x) * 6 + std::size_t(k) * 2;
                at[0] = std::uint8_t(code);
                at[1] = std::uint8_t(code >> 8);
            }
        }
    const Owned<heif_color_profile_nclx, heif_nclx_color_profile_free> nclx(heif_nclx_color_profile_alloc());
    nclx->color_primaries = heif_color_primaries_ITU_R_BT_709_5;
    nclx->transfer_characteristics =
        making.transfer == HeifMaking::Transfer::Pq    ? heif_transfer_characteristic_ITU_R_BT_2100_0_PQ
        : making.transfer == HeifMaking::Transfer::Hlg ? heif_transfer_characteristic_ITU_R_BT_2100_0_HLG
                                                       : heif_transfer_characteristic_IEC_61966_2_1;
    nclx->matrix_coefficients = heif_matrix_coefficients(making.matrix);
    nclx->full_range_flag = making.fullRange;
    heif_image_set_nclx_color_profile(image.get(), nclx.get());

    const Owned<heif_encoding_options, heif_encoding_options_free> options(heif_encoding_options_alloc());
    options->image_orientation = heif_orientation(making.orientation);
    // Without these the HEVC path leaves the colour box out.
    options->output_nclx_profile = nclx.get();
    options->macOS_compatibility_workaround_no_nclx_profile = 0;
    heif_image_handle* rawHandle = nullptr;
    if (heif_context_encode_image(context.get(), image.get(), encoder.get(), options.get(), &rawHandle).code !=
        heif_error_Ok)
        return {};
    const Owned<heif_image_handle, heif_image_handle_release> handle(rawHandle);
    if (making.thumbnail) {
        const LBitmap& small = *making.thumbnail;
        heif_image* rawSmall = nullptr;
        heif_image_create(small.GetWidth(), small.GetHeight(), heif_colorspace_RGB, heif_chroma_interleaved_RGB,
                          &rawSmall);
        const Owned<heif_image, heif_image_release> smallImage(rawSmall);
        heif_image_add_plane(smallImage.get(), heif_channel_interleaved, small.GetWidth(), small.GetHeight(), 8);
        int smallStride = 0;
        std::uint8_t* to = heif_image_get_plane(smallImage.get(), heif_channel_interleaved, &smallStride);
        for (int y = 0; y < small.GetHeight(); ++y)
            std::memcpy(to + std::size_t(y) * std::size_t(smallStride), small.row(y), small.rowBytes());
        heif_image_handle* rawThumbnail = nullptr;
        // libheif scales what it is given down to the box it is told.
        if (heif_context_encode_thumbnail(context.get(), smallImage.get(), handle.get(), encoder.get(), nullptr,
                                          std::max(small.GetWidth(), small.GetHeight()) / 2, &rawThumbnail)
                .code != heif_error_Ok)
            return {};
        heif_image_handle_release(rawThumbnail);
    }
    if (making.exifOrientation) {
        // A TIFF header with one entry: Orientation.
        std::string exif("MM\0\x2A\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0\0\0\0\0\0\0\0", 26);
        exif[19] = char(making.exifOrientation);
        heif_context_add_exif_metadata(context.get(), handle.get(), exif.data(), int(exif.size()));
    }
    std::string out;
    heif_writer writer{1, append};
    if (heif_context_write(context.get(), &writer, &out).code != heif_error_Ok)
        return {};
    return out;
}

LBitmap libheifRgb(const std::string& file)
{
    const Owned<heif_context, heif_context_free> context(heif_context_alloc());
    heif_image_handle* rawHandle = nullptr;
    if (heif_context_read_from_memory_without_copy(context.get(), file.data(), file.size(), nullptr).code !=
            heif_error_Ok ||
        heif_context_get_primary_image_handle(context.get(), &rawHandle).code != heif_error_Ok)
        return {};
    const Owned<heif_image_handle, heif_image_handle_release> handle(rawHandle);
    heif_image* rawImage = nullptr;
    if (heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB, heif_chroma_interleaved_RGB, nullptr).code !=
        heif_error_Ok)
        return {};
    const Owned<heif_image, heif_image_release> image(rawImage);
    int stride = 0;
    const std::uint8_t* plane = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    LBitmap out = LBitmap::rgb(heif_image_get_width(image.get(), heif_channel_interleaved),
                               heif_image_get_height(image.get(), heif_channel_interleaved));
    for (int y = 0; y < out.GetHeight(); ++y)
        std::memcpy(out.row(y), plane + std::size_t(y) * std::size_t(stride), out.rowBytes());
    return out;
}

}  // namespace hf::test
