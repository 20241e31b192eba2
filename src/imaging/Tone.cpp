#include "LBitmap.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace hf {
namespace {

using ToneCurve = std::array<std::uint8_t, 256>;

void applyCurve(std::vector<Rgb>& palette, PixelBuffer& pixels, bool indexed, const ToneCurve& curve)
{
    // An indexed picture's pixels name palette entries, so changing the
    // entries changes every pixel at the cost of at most 256 lookups.
    if (indexed) {
        for (Rgb& c : palette)
            c = {curve[c.r], curve[c.g], curve[c.b]};
        return;
    }
    for (std::uint8_t& v : pixels)
        v = curve[v];
}

std::uint8_t toByte(double v)
{
    return std::uint8_t(std::clamp(std::lround(v), 0L, 255L));
}

}  // namespace

// Gamma as a power on the 0 ... 1 scale: out = in^(100 / gammaTimes100).
// Values above 100 lift the middle tones and keep black and white; the
// render's pre-adjustment passes 100, which changes nothing, so the tones
// the user sees are those of the photo and the contrast slider.
void LBitmap::GammaCorrect(int gammaTimes100)
{
    if (!IsAllocated() || gammaTimes100 <= 0 || gammaTimes100 == 100)
        return;
    const double exponent = 100.0 / gammaTimes100;
    ToneCurve curve{};
    for (int i = 0; i < 256; ++i)
        curve[i] = toByte(255.0 * std::pow(i / 255.0, exponent));
    applyCurve(palette_, pixels_, isIndexed(), curve);
}

// A straight line through middle gray (127.5) whose slope the amount sets:
// 1000 / (1000 - amount) for a raise, so +500 doubles every distance from
// the middle and +1000 leaves only black and white; (1000 + amount) / 1000
// for a cut, so -500 halves them and -1000 leaves a flat gray. A straight
// line keeps the order and the spacing of the tones, which is what still
// reads on a handheld's four or sixteen grays; a steeper one pushes dim
// photos apart before the few levels swallow their detail.
void LBitmap::ChangeContrast(int amount)
{
    amount = std::clamp(amount, -1000, 1000);
    if (!IsAllocated() || amount == 0)
        return;
    const double slope = amount > 0 ? 1000.0 / std::max(1000 - amount, 1) : (1000.0 + amount) / 1000.0;
    ToneCurve curve{};
    for (int i = 0; i < 256; ++i)
        curve[i] = toByte(127.5 + (i - 127.5) * slope);
    applyCurve(palette_, pixels_, isIndexed(), curve);
}

}  // namespace hf
