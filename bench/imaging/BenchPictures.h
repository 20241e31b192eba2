#pragma once

#include "LBitmap.h"

#include <cmath>
#include <cstdint>

namespace hf::bench {

// A photo-sized picture with what photos have: smooth colour fields, hard
// edges and sensor grain, so that the colour reduction meets tens of
// thousands of colours as it would on a real photo.
inline LBitmap syntheticPhoto(int width, int height)
{
    LBitmap b = LBitmap::rgb(width, height);
    std::uint32_t state = 12345;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* p = b.row(y);
        for (int x = 0; x < width; ++x, p += 3) {
            state = state * 1664525u + 1013904223u;
            const int grain = int(state >> 28) - 8;
            const double u = double(x) / width, v = double(y) / height;
            double r = 128 + 100 * std::sin(6.0 * u + 2.0 * v), g = 110 + 90 * std::cos(4.0 * v - 3.0 * u);
            double bl = 60 + 160 * u * v;
            if ((u - 0.6) * (u - 0.6) + (v - 0.4) * (v - 0.4) < 0.04) {
                r = 230 - 60 * v;
                g = 200 - 80 * u;
                bl = 40;
            }
            auto byte = [](double c) { return std::uint8_t(c < 0 ? 0 : c > 255 ? 255 : c); };
            p[0] = byte(r + grain);
            p[1] = byte(g + grain);
            p[2] = byte(bl + grain);
        }
    }
    return b;
}

}  // namespace hf::bench
