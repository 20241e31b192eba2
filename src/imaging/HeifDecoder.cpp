#include "HeifDecoder.h"

#include "DeepPixels.h"
#include "YCbCr.h"

#include <libheif/heif.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

namespace hf {
namespace {

struct ContextFree {
    void operator()(heif_context* c) const { heif_context_free(c); }
};
struct HandleRelease {
    void operator()(heif_image_handle* h) const { heif_image_handle_release(h); }
};
struct ImageRelease {
    void operator()(heif_image* i) const { heif_image_release(i); }
};
struct OptionsFree {
    void operator()(heif_decoding_options* o) const { heif_decoding_options_free(o); }
};
struct ProfileFree {
    void operator()(heif_color_profile_nclx* p) const { heif_nclx_color_profile_free(p); }
};

// Neither side of a picture we accept is longer than this; libheif checks
// it while parsing, before it allocates anything for the picture.
constexpr int kLongestSide = 1 << 16;

bool isPictureBrand(const std::uint8_t* brand)
{
    for (const char* known : {"heic", "heix", "heim", "heis", "hevc", "hevx", "mif1", "msf1", "avif", "avis"})
        if (std::memcmp(brand, known, 4) == 0)
            return true;
    return false;
}

struct Colours {
    Transfer transfer = Transfer::Standard;
    Primaries primaries = Primaries::Bt709;
};

// The file's colour box says how its samples map to light; where it has
// none, the HEVC stream's own description, which the decoded image carries.
Colours coloursOf(const heif_image_handle* handle, const heif_image* image)
{
    Colours out;
    heif_color_profile_nclx* raw = nullptr;
    if ((heif_image_handle_get_nclx_color_profile(handle, &raw).code != heif_error_Ok || !raw) &&
        (heif_image_get_nclx_color_profile(image, &raw).code != heif_error_Ok || !raw))
        return out;
    const std::unique_ptr<heif_color_profile_nclx, ProfileFree> nclx(raw);
    if (nclx->transfer_characteristics == heif_transfer_characteristic_ITU_R_BT_2100_0_PQ)
        out.transfer = Transfer::PerceptualQuantiser;
    else if (nclx->transfer_characteristics == heif_transfer_characteristic_ITU_R_BT_2100_0_HLG)
        out.transfer = Transfer::HybridLogGamma;
    if (nclx->color_primaries == heif_color_primaries_ITU_R_BT_2020_2_and_2100_0)
        out.primaries = Primaries::Bt2020;
    else if (nclx->color_primaries == heif_color_primaries_SMPTE_EG_432_1)
        out.primaries = Primaries::DisplayP3;
    return out;
}

std::uint8_t onWhite(int value, int alpha)
{
    return std::uint8_t((value * alpha + 255 * (255 - alpha) + 127) / 255);
}

// A decoder that stumbles over damaged data reports it rather than
// handing back a picture with gray where the data was missing.
std::unique_ptr<heif_decoding_options, OptionsFree> strictOptions()
{
    std::unique_ptr<heif_decoding_options, OptionsFree> options(heif_decoding_options_alloc());
    options->strict_decoding = 1;
    return options;
}

// How the planes libheif hands over are coded. It brings whatever the file
// holds to the description it attaches, or, without one, to BT.601 at full
// range.
std::optional<YCbCrPlanes::Matrix> matrixOf(const heif_color_profile_nclx* nclx)
{
    if (!nclx)
        return YCbCrPlanes::Matrix::Bt601;
    switch (nclx->matrix_coefficients) {
    case heif_matrix_coefficients_ITU_R_BT_709_5:
        return YCbCrPlanes::Matrix::Bt709;
    case heif_matrix_coefficients_unspecified:
    case heif_matrix_coefficients_ITU_R_BT_470_6_System_B_G:
    case heif_matrix_coefficients_ITU_R_BT_601_6:
        return YCbCrPlanes::Matrix::Bt601;
    case heif_matrix_coefficients_ITU_R_BT_2020_2_non_constant_luminance:
        return YCbCrPlanes::Matrix::Bt2020;
    default:
        return std::nullopt;  // RGB planes, YCgCo and the rare others: libheif's way
    }
}

// The usual photo, 8-bit YCbCr without alpha, converted by us straight
// into the bitmap: libheif's own conversion would hold a second full-size
// RGB picture at the peak. Nothing when the file's layout is not this one.
std::optional<LBitmap> decodePlanes(const heif_image_handle* handle)
{
    // Phones code their photos as 4:2:0: asked for that, libheif hands the
    // decoder's planes over as they are (a rare 4:4:4 file loses a little
    // colour detail here). Asked for nothing in particular, it would
    // convert to planar RGB.
    heif_image* rawImage = nullptr;
    const heif_error decoded =
        heif_decode_image(handle, &rawImage, heif_colorspace_YCbCr, heif_chroma_420, strictOptions().get());
    // Held before the answer is looked at: an image handed out with an
    // error is released too.
    const std::unique_ptr<heif_image, ImageRelease> image(rawImage);
    if (decoded.code != heif_error_Ok || !image)
        return LBitmap();
    const heif_colorspace space = heif_image_get_colorspace(image.get());
    const heif_chroma chroma = heif_image_get_chroma_format(image.get());
    const bool gray = space == heif_colorspace_monochrome;
    if (!(space == heif_colorspace_YCbCr &&
          (chroma == heif_chroma_420 || chroma == heif_chroma_422 || chroma == heif_chroma_444)) &&
        !gray)
        return std::nullopt;
    if (heif_image_get_bits_per_pixel_range(image.get(), heif_channel_Y) != 8)
        return std::nullopt;
    heif_color_profile_nclx* rawProfile = nullptr;
    if (heif_image_get_nclx_color_profile(image.get(), &rawProfile).code != heif_error_Ok)
        rawProfile = nullptr;
    const std::unique_ptr<heif_color_profile_nclx, ProfileFree> profile(rawProfile);
    const std::optional<YCbCrPlanes::Matrix> matrix = matrixOf(profile.get());
    if (!matrix)
        return std::nullopt;

    YCbCrPlanes planes;
    planes.matrix = *matrix;
    planes.fullRange = !profile || profile->full_range_flag != 0;
    planes.y = heif_image_get_plane_readonly(image.get(), heif_channel_Y, &planes.yStride);
    if (!gray) {
        int crStride = 0;
        planes.cb = heif_image_get_plane_readonly(image.get(), heif_channel_Cb, &planes.chromaStride);
        planes.cr = heif_image_get_plane_readonly(image.get(), heif_channel_Cr, &crStride);
        if (!planes.cb || !planes.cr || crStride != planes.chromaStride)
            return std::nullopt;
        planes.shiftX = chroma == heif_chroma_444 ? 0 : 1;
        planes.shiftY = chroma == heif_chroma_420 ? 1 : 0;
    }
    const int width = heif_image_get_width(image.get(), heif_channel_Y);
    const int height = heif_image_get_height(image.get(), heif_channel_Y);
    if (!planes.y || width <= 0 || height <= 0)
        return LBitmap();
    LBitmap out = LBitmap::rgb(width, height, LBitmap::Pixels::ToBeWritten);
    if (!out.IsAllocated())
        return LBitmap();
    convertYCbCr(planes, out);
    return out;
}

// The general way: libheif converts to interleaved RGB (with alpha, or 16
// bits a sample), and we take the rows over.
LBitmap decodeThroughLibheif(const heif_image_handle* handle, bool alpha, int bits)
{
    const bool deep = bits > 8;
    const heif_chroma chroma = deep ? (alpha ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RRGGBB_LE)
                                    : (alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB);
    heif_image* rawImage = nullptr;
    const heif_error decoded = heif_decode_image(handle, &rawImage, heif_colorspace_RGB, chroma, strictOptions().get());
    const std::unique_ptr<heif_image, ImageRelease> image(rawImage);
    if (decoded.code != heif_error_Ok || !image)
        return {};

    const int width = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int height = heif_image_get_height(image.get(), heif_channel_interleaved);
    int stride = 0;
    const std::uint8_t* plane = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    if (!plane || width <= 0 || height <= 0)
        return {};
    LBitmap out = LBitmap::rgb(width, height, LBitmap::Pixels::ToBeWritten);
    if (!out.IsAllocated())
        return {};
    const int channels = alpha ? 4 : 3;
    if (deep) {
        const int range = heif_image_get_bits_per_pixel_range(image.get(), heif_channel_interleaved);
        const Colours colours = coloursOf(handle, image.get());
        const DeepToEightBits convert(range > 8 ? range : bits, colours.transfer, colours.primaries);
        for (int y = 0; y < height; ++y)
            convert.convertRow(reinterpret_cast<const std::uint16_t*>(plane + std::size_t(y) * std::size_t(stride)),
                               width, channels, out.row(y));
        return out;
    }
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* from = plane + std::size_t(y) * std::size_t(stride);
        std::uint8_t* to = out.row(y);
        if (!alpha) {
            std::memcpy(to, from, out.rowBytes());
            continue;
        }
        for (int x = 0; x < width; ++x, from += 4, to += 3)
            for (int c = 0; c < 3; ++c)
                to[c] = onWhite(from[c], from[3]);
    }
    return out;
}

}  // namespace

bool isHeif(std::span<const std::uint8_t> file)
{
    // The ftyp box: size, "ftyp", major brand, minor version, compatible brands.
    if (file.size() < 16 || std::memcmp(file.data() + 4, "ftyp", 4) != 0)
        return false;
    const std::size_t boxSize =
        std::size_t(file[0]) << 24 | std::size_t(file[1]) << 16 | std::size_t(file[2]) << 8 | file[3];
    if (isPictureBrand(file.data() + 8))
        return true;
    for (std::size_t at = 16; at + 4 <= std::min(boxSize, file.size()); at += 4)
        if (isPictureBrand(file.data() + at))
            return true;
    return false;
}

namespace {

// The thumbnail of the primary picture to decode instead of it, or null.
std::unique_ptr<heif_image_handle, HandleRelease> thumbnailFor(const heif_image_handle* primary, int side)
{
    const int count = heif_image_handle_get_number_of_thumbnails(primary);
    if (count <= 0 || side <= 0)
        return nullptr;
    std::vector<heif_item_id> ids(static_cast<std::size_t>(count));
    heif_image_handle_get_list_of_thumbnail_IDs(primary, ids.data(), count);
    std::unique_ptr<heif_image_handle, HandleRelease> best;
    int bestSide = 0;
    for (const heif_item_id id : ids) {
        heif_image_handle* raw = nullptr;
        if (heif_image_handle_get_thumbnail(primary, id, &raw).code != heif_error_Ok || !raw)
            continue;
        std::unique_ptr<heif_image_handle, HandleRelease> thumbnail(raw);
        const int longer = std::max(heif_image_handle_get_width(raw), heif_image_handle_get_height(raw));
        if (longer >= side && (!best || longer < bestSide)) {
            best = std::move(thumbnail);
            bestSide = longer;
        }
    }
    return best;
}

LBitmap decode(std::span<const std::uint8_t> file, int previewSide, const DecodeStop& stop)
{
    const std::unique_ptr<heif_context, ContextFree> context(heif_context_alloc());
    if (!context)
        return {};
    heif_context_set_maximum_image_size_limit(context.get(), kLongestSide);
    if (heif_context_read_from_memory_without_copy(context.get(), file.data(), file.size(), nullptr).code !=
        heif_error_Ok)
        return {};
    heif_image_handle* rawHandle = nullptr;
    if (heif_context_get_primary_image_handle(context.get(), &rawHandle).code != heif_error_Ok || !rawHandle)
        return {};
    std::unique_ptr<heif_image_handle, HandleRelease> handle(rawHandle);
    if (auto thumbnail = thumbnailFor(handle.get(), previewSide))
        handle = std::move(thumbnail);

    // The declared size decides before any pixel is decoded.
    const int declaredWidth = heif_image_handle_get_width(handle.get());
    const int declaredHeight = heif_image_handle_get_height(handle.get());
    if (declaredWidth <= 0 || declaredHeight <= 0 || std::int64_t(declaredWidth) * declaredHeight > kMaxPicturePixels)
        return {};

    if (stopNow(stop))
        return {};
    const bool alpha = heif_image_handle_has_alpha_channel(handle.get()) != 0;
    const int bits = heif_image_handle_get_luma_bits_per_pixel(handle.get());
    const bool deep = bits > 8;
    std::optional<LBitmap> picture;
    if (!alpha && !deep)
        picture = decodePlanes(handle.get());
    if (!picture)
        picture = decodeThroughLibheif(handle.get(), alpha, bits);
    return stopNow(stop) ? LBitmap() : std::move(*picture);
}

}  // namespace

LBitmap decodeHeif(std::span<const std::uint8_t> file, const DecodeStop& stop)
{
    return decode(file, 0, stop);
}

LBitmap decodeHeifPreview(std::span<const std::uint8_t> file, int side, const DecodeStop& stop)
{
    return decode(file, side, stop);
}

}  // namespace hf
