#include "JxlDecoder.h"

#include "DeepPixels.h"

#include <jxl/decode.h>
#include <jxl/decode_cxx.h>
#include <jxl/thread_parallel_runner.h>
#include <jxl/thread_parallel_runner_cxx.h>

#include <algorithm>
#include <optional>

namespace hf {
namespace {

std::uint8_t onWhite(int value, int alpha)
{
    return std::uint8_t((value * alpha + 255 * (255 - alpha) + 127) / 255);
}

JxlColorEncoding srgb(bool gray)
{
    JxlColorEncoding c{};
    c.color_space = gray ? JXL_COLOR_SPACE_GRAY : JXL_COLOR_SPACE_RGB;
    c.white_point = JXL_WHITE_POINT_D65;
    c.primaries = JXL_PRIMARIES_SRGB;
    c.transfer_function = JXL_TRANSFER_FUNCTION_SRGB;
    c.rendering_intent = JXL_RENDERING_INTENT_PERCEPTUAL;
    return c;
}

std::optional<Transfer> hdrTransfer(const JxlColorEncoding& c)
{
    if (c.transfer_function == JXL_TRANSFER_FUNCTION_PQ)
        return Transfer::PerceptualQuantiser;
    if (c.transfer_function == JXL_TRANSFER_FUNCTION_HLG)
        return Transfer::HybridLogGamma;
    return std::nullopt;
}

Primaries primariesOf(const JxlColorEncoding& c)
{
    return c.primaries == JXL_PRIMARIES_2100 ? Primaries::Bt2020
           : c.primaries == JXL_PRIMARIES_P3 ? Primaries::DisplayP3
                                             : Primaries::Bt709;
}

// The decoded samples in our form: straight into the bitmap where the
// layouts agree, through `samples` otherwise.
struct Target {
    JxlBasicInfo info{};
    bool gray = false;
    bool alpha = false;
    std::optional<Transfer> hdr;
    Primaries primaries = Primaries::Bt709;
    JxlPixelFormat format{};
    std::vector<std::uint8_t> samples;
    LBitmap picture;

    bool direct() const { return !alpha && !hdr; }

    void finish()
    {
        const int width = picture.GetWidth(), height = picture.GetHeight();
        const int channels = int(format.num_channels);
        if (hdr) {
            const DeepToEightBits convert(16, *hdr, primaries);
            const std::size_t stride = std::size_t(width) * std::size_t(channels) * 2;
            for (int y = 0; y < height; ++y)
                convert.convertRow(reinterpret_cast<const std::uint16_t*>(samples.data() + stride * std::size_t(y)),
                                   width, channels, picture.row(y));
            return;
        }
        const std::size_t stride = std::size_t(width) * std::size_t(channels);
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* from = samples.data() + stride * std::size_t(y);
            std::uint8_t* to = picture.row(y);
            const int colours = channels - 1;
            for (int x = 0; x < width; ++x, from += channels, to += colours)
                for (int c = 0; c < colours; ++c)
                    to[c] = onWhite(from[c], from[colours]);
        }
    }
};

bool prepare(JxlDecoder* dec, Target& t)
{
    const int width = int(t.info.xsize), height = int(t.info.ysize);
    t.format.endianness = JXL_NATIVE_ENDIAN;
    t.format.align = 0;
    if (t.hdr) {
        t.format.num_channels = t.alpha ? 4 : 3;
        t.format.data_type = JXL_TYPE_UINT16;
    } else {
        t.format.num_channels = (t.gray ? 1 : 3) + (t.alpha ? 1 : 0);
        t.format.data_type = JXL_TYPE_UINT8;
    }
    t.picture = t.gray && !t.hdr ? LBitmap::indexed(width, height, 8, grayPalette(), LBitmap::Pixels::ToBeWritten)
                                 : LBitmap::rgb(width, height, LBitmap::Pixels::ToBeWritten);
    if (!t.picture.IsAllocated())
        return false;
    std::size_t size = 0;
    if (JxlDecoderImageOutBufferSize(dec, &t.format, &size) != JXL_DEC_SUCCESS)
        return false;
    if (t.direct()) {
        if (size != t.picture.rowBytes() * std::size_t(height))
            return false;
        return JxlDecoderSetImageOutBuffer(dec, &t.format, t.picture.row(0), size) == JXL_DEC_SUCCESS;
    }
    t.samples.resize(size);
    return JxlDecoderSetImageOutBuffer(dec, &t.format, t.samples.data(), size) == JXL_DEC_SUCCESS;
}

}  // namespace

bool isJxl(std::span<const std::uint8_t> file)
{
    const JxlSignature s = JxlSignatureCheck(file.data(), file.size());
    return s == JXL_SIG_CODESTREAM || s == JXL_SIG_CONTAINER;
}

LBitmap decodeJxl(std::span<const std::uint8_t> file, const DecodeStop& stop)
{
    const JxlDecoderPtr dec = JxlDecoderMake(nullptr);
    const JxlThreadParallelRunnerPtr runner = JxlThreadParallelRunnerMake(
        nullptr, std::min<std::size_t>(JxlThreadParallelRunnerDefaultNumWorkerThreads(), 4));
    if (!dec || !runner ||
        JxlDecoderSubscribeEvents(dec.get(), JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING | JXL_DEC_FULL_IMAGE) !=
            JXL_DEC_SUCCESS ||
        JxlDecoderSetParallelRunner(dec.get(), JxlThreadParallelRunner, runner.get()) != JXL_DEC_SUCCESS ||
        JxlDecoderSetInput(dec.get(), file.data(), file.size()) != JXL_DEC_SUCCESS)
        return {};
    // All of the file is there: running out of it means it was cut off.
    JxlDecoderCloseInput(dec.get());

    Target t;
    while (!stopNow(stop)) {
        switch (JxlDecoderProcessInput(dec.get())) {
        case JXL_DEC_BASIC_INFO:
            if (JxlDecoderGetBasicInfo(dec.get(), &t.info) != JXL_DEC_SUCCESS || t.info.xsize == 0 ||
                t.info.ysize == 0 || std::int64_t(t.info.xsize) * t.info.ysize > kMaxPicturePixels)
                return {};
            t.gray = t.info.num_color_channels == 1;
            t.alpha = t.info.alpha_bits > 0;
            break;
        case JXL_DEC_COLOR_ENCODING: {
            JxlColorEncoding original{};
            const bool described =
                JxlDecoderGetColorAsEncodedProfile(dec.get(), nullptr, JXL_COLOR_PROFILE_TARGET_ORIGINAL, &original) ==
                JXL_DEC_SUCCESS;
            if (described && hdrTransfer(original) && !t.gray) {
                JxlColorEncoding data{};
                if (JxlDecoderGetColorAsEncodedProfile(dec.get(), nullptr, JXL_COLOR_PROFILE_TARGET_DATA, &data) ==
                        JXL_DEC_SUCCESS &&
                    hdrTransfer(data)) {
                    t.hdr = hdrTransfer(data);
                    t.primaries = primariesOf(data);
                }
            } else {
                // Lossy pictures are delivered in the space we ask for;
                // otherwise it would be linear light.
                const JxlColorEncoding wanted = srgb(t.gray);
                JxlDecoderSetPreferredColorProfile(dec.get(), &wanted);
            }
            break;
        }
        case JXL_DEC_NEED_IMAGE_OUT_BUFFER:
            if (!prepare(dec.get(), t))
                return {};
            break;
        case JXL_DEC_FULL_IMAGE:
            // The first frame is the picture; an animation's others are not ours.
            if (!t.direct())
                t.finish();
            return std::move(t.picture);
        default:
            // An error, or more input needed after the end of the file.
            return {};
        }
    }
    return {};
}

}  // namespace hf
