#pragma once

#include "LBitmap.h"

#include <cstdint>
#include <ostream>
#include <set>

namespace hf {

// Failures show the picture's shape rather than its bytes.
inline void PrintTo(const LBitmap& b, std::ostream* out)
{
    *out << b.GetWidth() << " x " << b.GetHeight() << " at " << b.GetBitsPerPixel() << " bits, " << b.palette().size()
         << " palette entries";
}

}  // namespace hf

namespace hf::test {

// A photo-like picture: smooth gradients with a few hard edges and some
// grain, so that every operation has tones, edges and noise to work on.
inline LBitmap photo(int width, int height, std::uint32_t seed = 1)
{
    LBitmap pic = LBitmap::rgb(width, height);
    std::uint32_t state = seed * 2654435761u + 1;
    auto noise = [&state] {
        state = state * 1664525u + 1013904223u;
        return int(state >> 29) - 4;  // -4 ... 3
    };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool disc =
                (x - width / 2) * (x - width / 2) + (y - height / 2) * (y - height / 2) < (width * width) / 16;
            int r = 40 + 200 * x / width, g = 30 + 180 * y / height, b = 220 - 150 * (x + y) / (width + height);
            if (disc) {
                r = 210;
                g = 40 + 60 * x / width;
                b = 50;
            }
            auto byte = [](int v) { return std::uint8_t(v < 0 ? 0 : v > 255 ? 255 : v); };
            pic.setColour(x, y, {byte(r + noise()), byte(g + noise()), byte(b + noise())});
        }
    return pic;
}

inline std::set<std::uint32_t> coloursOf(const LBitmap& b)
{
    std::set<std::uint32_t> out;
    for (int y = 0; y < b.GetHeight(); ++y)
        for (int x = 0; x < b.GetWidth(); ++x) {
            const Rgb c = b.colourAt(x, y);
            out.insert((std::uint32_t(c.r) << 16) | (std::uint32_t(c.g) << 8) | c.b);
        }
    return out;
}

// Mean squared error per channel between two pictures of one size.
inline double meanSquaredError(const LBitmap& a, const LBitmap& b)
{
    double sum = 0;
    for (int y = 0; y < a.GetHeight(); ++y)
        for (int x = 0; x < a.GetWidth(); ++x) {
            const Rgb p = a.colourAt(x, y), q = b.colourAt(x, y);
            sum += (p.r - q.r) * (p.r - q.r) + (p.g - q.g) * (p.g - q.g) + (p.b - q.b) * (p.b - q.b);
        }
    return sum / (3.0 * a.GetWidth() * a.GetHeight());
}

}  // namespace hf::test
