#include "YCbCr.h"

#include <cmath>

namespace hf {
namespace {

constexpr int kShift = 16;
constexpr int kOne = 1 << kShift;

struct Coefficients {
    int yScale, yOffset;  // luma to 0 ... 255, times kOne
    int crToR, cbToG, crToG, cbToB;
};

Coefficients coefficientsFor(YCbCrPlanes::Matrix matrix, bool fullRange)
{
    double kr = 0.299, kb = 0.114;
    if (matrix == YCbCrPlanes::Matrix::Bt709) {
        kr = 0.2126;
        kb = 0.0722;
    } else if (matrix == YCbCrPlanes::Matrix::Bt2020) {
        kr = 0.2627;
        kb = 0.0593;
    }
    const double kg = 1 - kr - kb;
    const double ys = fullRange ? 1.0 : 255.0 / 219, cs = fullRange ? 1.0 : 255.0 / 224;
    auto fixed = [](double v) { return int(std::lround(v * kOne)); };
    return {fixed(ys),
            fullRange ? 0 : -fixed(16 * ys),
            fixed(2 * (1 - kr) * cs),
            -fixed(2 * kb * (1 - kb) / kg * cs),
            -fixed(2 * kr * (1 - kr) / kg * cs),
            fixed(2 * (1 - kb) * cs)};
}

std::uint8_t clampByte(int v)
{
    v = (v + kOne / 2) >> kShift;
    return std::uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
}

}  // namespace

void convertYCbCr(const YCbCrPlanes& p, LBitmap& out)
{
    const Coefficients k = coefficientsFor(p.matrix, p.fullRange);
    const int width = out.GetWidth(), height = out.GetHeight();
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* luma = p.y + std::size_t(y) * std::size_t(p.yStride);
        std::uint8_t* to = out.row(y);
        if (!p.cb || !p.cr) {
            for (int x = 0; x < width; ++x, to += 3)
                to[0] = to[1] = to[2] = clampByte(luma[x] * k.yScale + k.yOffset);
            continue;
        }
        const std::size_t chromaRow = std::size_t(y >> p.shiftY) * std::size_t(p.chromaStride);
        const std::uint8_t* cbRow = p.cb + chromaRow;
        const std::uint8_t* crRow = p.cr + chromaRow;
        for (int x = 0; x < width; ++x, to += 3) {
            const int l = luma[x] * k.yScale + k.yOffset;
            const int cb = cbRow[x >> p.shiftX] - 128, cr = crRow[x >> p.shiftX] - 128;
            to[0] = clampByte(l + k.crToR * cr);
            to[1] = clampByte(l + k.cbToG * cb + k.crToG * cr);
            to[2] = clampByte(l + k.cbToB * cb);
        }
    }
}

}  // namespace hf
