#include "DeepPixels.h"

#include <algorithm>
#include <cmath>

namespace hf {
namespace {

constexpr int kEncodeSteps = 4096;
constexpr double kReferenceWhiteNits = 203.0;
// Highlights above this share of the reference white are compressed.
constexpr float kKnee = 0.8f;

double pqToNits(double e)
{
    constexpr double m1 = 2610.0 / 16384, m2 = 2523.0 / 4096 * 128, c1 = 3424.0 / 4096, c2 = 2413.0 / 4096 * 32,
                     c3 = 2392.0 / 4096 * 32;
    const double p = std::pow(e, 1 / m2);
    return 10000.0 * std::pow(std::max(p - c1, 0.0) / (c2 - c3 * p), 1 / m1);
}

// Scene light of an HLG signal, 0 ... 1.
double hlgToScene(double e)
{
    constexpr double a = 0.17883277, b = 0.28466892, c = 0.55991073;
    return e <= 0.5 ? e * e / 3 : (std::exp((e - c) / a) + b) / 12;
}

double srgbEncode(double light)
{
    return light <= 0.0031308 ? 12.92 * light : 1.055 * std::pow(light, 1 / 2.4) - 0.055;
}

// Linear-light matrices to BT.709 (sRGB) primaries, rows R, G, B.
constexpr std::array<float, 9> kIdentity{1, 0, 0, 0, 1, 0, 0, 0, 1};
constexpr std::array<float, 9> kFromBt2020{1.6605f,  -0.5876f, -0.0728f, -0.1246f, 1.1329f,
                                           -0.0083f, -0.0182f, -0.1006f, 1.1187f};
constexpr std::array<float, 9> kFromDisplayP3{1.2249f, -0.2247f, 0.0f,     -0.0420f, 1.0419f,
                                              0.0f,    -0.0197f, -0.0786f, 1.0979f};

// Smooth roll-off: unchanged below the knee, then approaching 1 without
// ever clipping, with no kink at the knee.
float rollOff(float v)
{
    if (v <= kKnee)
        return v;
    const float room = 1 - kKnee;
    return kKnee + room * (1 - std::exp(-(v - kKnee) / room));
}

std::uint8_t onWhite(int value, int alpha)
{
    return std::uint8_t((value * alpha + 255 * (255 - alpha) + 127) / 255);
}

}  // namespace

DeepToEightBits::DeepToEightBits(int bitsPerSample, Transfer transfer, Primaries primaries)
    : maxCode_((1 << std::clamp(bitsPerSample, 1, 16)) - 1), hdr_(transfer != Transfer::Standard)
{
    if (!hdr_)
        return;
    toSrgbPrimaries_ = primaries == Primaries::Bt2020      ? kFromBt2020
                       : primaries == Primaries::DisplayP3 ? kFromDisplayP3
                                                           : kIdentity;
    const double hlgWhite = hlgToScene(0.75);
    light_.resize(std::size_t(maxCode_) + 1);
    for (int code = 0; code <= maxCode_; ++code) {
        const double e = double(code) / maxCode_;
        light_[std::size_t(code)] = float(transfer == Transfer::PerceptualQuantiser ? pqToNits(e) / kReferenceWhiteNits
                                                                                    : hlgToScene(e) / hlgWhite);
    }
    encode_.resize(kEncodeSteps + 1);
    for (int i = 0; i <= kEncodeSteps; ++i)
        encode_[std::size_t(i)] = std::uint8_t(std::lround(255 * srgbEncode(double(i) / kEncodeSteps)));
}

void DeepToEightBits::convertRow(const std::uint16_t* in, int width, int channels, std::uint8_t* out) const
{
    const int max = maxCode_;
    auto clampCode = [max](std::uint16_t v) { return v > max ? max : int(v); };
    for (int x = 0; x < width; ++x, in += channels, out += 3) {
        int rgb[3];
        if (!hdr_) {
            for (int c = 0; c < 3; ++c)
                rgb[c] = (clampCode(in[c]) * 255 + max / 2) / max;
        } else {
            const float r = light_[std::size_t(clampCode(in[0]))], g = light_[std::size_t(clampCode(in[1]))],
                        b = light_[std::size_t(clampCode(in[2]))];
            const std::array<float, 9>& m = toSrgbPrimaries_;
            float v[3] = {std::max(0.0f, m[0] * r + m[1] * g + m[2] * b),
                          std::max(0.0f, m[3] * r + m[4] * g + m[5] * b),
                          std::max(0.0f, m[6] * r + m[7] * g + m[8] * b)};
            // Roll off by the brightest channel so hues stay as they were.
            const float peak = std::max({v[0], v[1], v[2]});
            const float scale = peak > kKnee ? rollOff(peak) / peak : 1.0f;
            for (int c = 0; c < 3; ++c)
                rgb[c] = encode_[std::size_t(std::lround(std::min(v[c] * scale, 1.0f) * kEncodeSteps))];
        }
        const int alpha = channels == 4 ? (clampCode(in[3]) * 255 + max / 2) / max : 255;
        for (int c = 0; c < 3; ++c)
            out[c] = alpha == 255 ? std::uint8_t(rgb[c]) : onWhite(rgb[c], alpha);
    }
}

}  // namespace hf
