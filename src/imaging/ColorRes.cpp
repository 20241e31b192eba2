#include "LBitmap.h"

#include "NearestColour.h"
#include "OptimisedPalette.h"

#include <algorithm>
#include <array>
#include <vector>

namespace hf {
namespace {

// Jarvis, Judice and Ninke's filter: the error of each pixel goes to twelve
// neighbours ahead of it, in 48ths.
//         *  7  5
//   3  5  7  5  3
//   1  3  5  3  1
constexpr int kDivisor = 48;

// Share of the error that is passed on, in 16ths. A fixed palette of a few
// levels needs all of it: the grain is what shows the tones between the
// levels. A palette chosen for the picture is close to every colour already;
// passing on part of the error keeps smooth skies smooth without adding
// grain where the palette had it right.
constexpr int kFixedShare = 16;
constexpr int kOptimisedShare = 12;

int divideRounded(int value, int by)
{
    return value >= 0 ? (value + by / 2) / by : -((-value + by / 2) / by);
}

// Error rows for one channel of the three rows the filter reaches; two
// pixels of margin on each side spare the edge checks.
class ErrorRows {
public:
    explicit ErrorRows(int width)
        : rows_{std::vector<int>(std::size_t(width) + 4), std::vector<int>(std::size_t(width) + 4),
                std::vector<int>(std::size_t(width) + 4)}
    {}

    int take(int x) const { return rows_[0][x + 2]; }

    // Spreads error e of pixel x, scanning in direction dir (+1 or -1).
    void spread(int x, int dir, int e)
    {
        int* r0 = rows_[0].data() + x + 2;
        int* r1 = rows_[1].data() + x + 2;
        int* r2 = rows_[2].data() + x + 2;
        r0[dir] += 7 * e;
        r0[2 * dir] += 5 * e;
        r1[-2] += 3 * e;
        r1[-1] += 5 * e;
        r1[0] += 7 * e;
        r1[1] += 5 * e;
        r1[2] += 3 * e;
        r2[-2] += e;
        r2[-1] += 3 * e;
        r2[0] += 5 * e;
        r2[1] += 3 * e;
        r2[2] += e;
    }

    void nextRow()
    {
        std::rotate(rows_.begin(), rows_.begin() + 1, rows_.end());
        std::fill(rows_[2].begin(), rows_[2].end(), 0);
    }

private:
    std::array<std::vector<int>, 3> rows_;
};

// The value a pixel is quantised at: its own plus its share of the error
// that reached it, clipped to the channel's range.
int withError(int value, int accumulated, int share)
{
    return std::clamp(value + divideRounded(accumulated * share, kDivisor * 16), 0, 255);
}

// Gray pictures onto gray palettes: one channel, and a 256-entry table
// holds the nearest entry of every value.
void reduceGray(const LBitmap& in, LBitmap& out, DitherMethod dither, int share)
{
    std::array<std::uint8_t, 256> valueOf{};
    for (std::size_t i = 0; i < in.palette().size(); ++i)
        valueOf[i] = in.palette()[i].r;
    std::array<std::uint8_t, 256> nearest{};
    for (int v = 0; v < 256; ++v)
        nearest[v] = nearestByScan(out.palette(), {std::uint8_t(v), std::uint8_t(v), std::uint8_t(v)});

    const int w = in.GetWidth();
    ErrorRows errors(w);
    for (int y = 0; y < in.GetHeight(); ++y) {
        const std::uint8_t* from = in.row(y);
        std::uint8_t* to = out.row(y);
        if (dither == DitherMethod::None) {
            for (int x = 0; x < w; ++x)
                to[x] = nearest[valueOf[from[x]]];
            continue;
        }
        // Alternate rows run right to left, so the error does not pile up
        // in one direction and draw diagonal streaks.
        const int dir = (y % 2 == 0) ? 1 : -1;
        for (int i = 0; i < w; ++i) {
            const int x = dir > 0 ? i : w - 1 - i;
            const int v = withError(valueOf[from[x]], errors.take(x), share);
            const std::uint8_t index = nearest[v];
            to[x] = index;
            errors.spread(x, dir, v - out.palette()[index].r);
        }
        errors.nextRow();
    }
}

void reduceColour(const LBitmap& in, LBitmap& out, DitherMethod dither, int share)
{
    NearestColour nearest(out.palette());
    const int w = in.GetWidth();
    const bool indexed = in.isIndexed();
    auto colourAt = [&](const std::uint8_t* row, int x) {
        if (indexed)
            return in.palette()[row[x]];
        const std::uint8_t* p = row + 3 * x;
        return Rgb{p[0], p[1], p[2]};
    };

    ErrorRows errR(w), errG(w), errB(w);
    for (int y = 0; y < in.GetHeight(); ++y) {
        const std::uint8_t* from = in.row(y);
        std::uint8_t* to = out.row(y);
        if (dither == DitherMethod::None) {
            for (int x = 0; x < w; ++x)
                to[x] = nearest.find(colourAt(from, x));
            continue;
        }
        const int dir = (y % 2 == 0) ? 1 : -1;
        for (int i = 0; i < w; ++i) {
            const int x = dir > 0 ? i : w - 1 - i;
            const Rgb c = colourAt(from, x);
            const int r = withError(c.r, errR.take(x), share);
            const int g = withError(c.g, errG.take(x), share);
            const int b = withError(c.b, errB.take(x), share);
            const std::uint8_t index = nearest.find(r, g, b);
            to[x] = index;
            const Rgb q = out.palette()[index];
            errR.spread(x, dir, r - q.r);
            errG.spread(x, dir, g - q.g);
            errB.spread(x, dir, b - q.b);
        }
        errR.nextRow();
        errG.nextRow();
        errB.nextRow();
    }
}

} // namespace

bool LBitmap::ColorRes(int bitsPerPixel, DitherMethod dither, PaletteOption option, std::span<const Rgb> palette)
{
    if (!IsAllocated() || !(bitsPerPixel == 1 || bitsPerPixel == 2 || bitsPerPixel == 4 || bitsPerPixel == 8))
        return false;
    const std::size_t limit = std::size_t(1) << bitsPerPixel;
    std::vector<Rgb> target;
    if (option == PaletteOption::Fixed) {
        if (palette.empty() || palette.size() > limit)
            return false;
        target.assign(palette.begin(), palette.end());
    } else {
        if (palette.size() > limit)
            return false;
        target = optimisedPalette(*this, int(limit), palette);
    }
    const int share = option == PaletteOption::Fixed ? kFixedShare : kOptimisedShare;
    LBitmap out = indexed(width_, height_, bitsPerPixel, std::move(target));
    if (isIndexed() && isGrayPalette(palette_) && isGrayPalette(out.palette_))
        reduceGray(*this, out, dither, share);
    else
        reduceColour(*this, out, dither, share);
    *this = std::move(out);
    return true;
}

} // namespace hf
