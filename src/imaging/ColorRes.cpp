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

// Share of the error that is passed on, in 16ths. Onto a fixed palette of
// a few levels all of it travels: the grain is what shows the tones between
// the levels, and the average tone of every area stays what it was. A
// palette chosen for the picture is close to every colour already; passing
// on seven eighths keeps smooth skies smooth without laying grain where the
// palette had the colour right, and the tone it gives up is a fraction of
// the small step to the nearest entry.
constexpr int kFixedShare = 16;
constexpr int kOptimisedShare = 14;

// Error sums of the three rows the filter reaches, Channels values per
// pixel side by side; two pixels of margin on each side spare the edge
// checks.
template <int Channels> class ErrorRows {
public:
    explicit ErrorRows(int width) : stride_((std::size_t(width) + 4) * Channels), sums_(3 * stride_, 0)
    {
        for (std::size_t i = 0; i < 3; ++i)
            rows_[i] = sums_.data() + i * stride_ + 2 * std::size_t{Channels};
    }

    const int* at(int x) const { return rows_[0] + std::ptrdiff_t(x) * Channels; }

    // Spreads error e of pixel x, scanning in direction dir (+1 or -1).
    void spread(int x, int dir, const int (&e)[Channels])
    {
        int* r0 = rows_[0] + std::ptrdiff_t(x) * Channels;
        int* r1 = rows_[1] + std::ptrdiff_t(x) * Channels;
        int* r2 = rows_[2] + std::ptrdiff_t(x) * Channels;
        const int d = dir * Channels;
        for (int c = 0; c < Channels; ++c) {
            const int v = e[c];
            r0[c + d] += 7 * v;
            r0[c + 2 * d] += 5 * v;
            r1[c - 2 * Channels] += 3 * v;
            r1[c - Channels] += 5 * v;
            r1[c] += 7 * v;
            r1[c + Channels] += 5 * v;
            r1[c + 2 * Channels] += 3 * v;
            r2[c - 2 * Channels] += v;
            r2[c - Channels] += 3 * v;
            r2[c] += 5 * v;
            r2[c + Channels] += 3 * v;
            r2[c + 2 * Channels] += v;
        }
    }

    // The row just finished becomes the one furthest ahead, emptied.
    void nextRow()
    {
        int* done = rows_[0] - 2 * std::ptrdiff_t{Channels};
        std::fill(done, done + stride_, 0);
        std::rotate(rows_.begin(), rows_.begin() + 1, rows_.end());
    }

private:
    std::size_t stride_;
    std::vector<int> sums_;
    std::array<int*, 3> rows_{};  // the current row and the two below, past the margin
};

// The value a pixel is quantised at: its own plus its share of the error
// that reached it, clipped to the channel's range.
int withError(int value, int accumulated, int share)
{
    // Rounded division without a branch on the sign: the accumulated error
    // stays far inside +-kOffset (12 neighbours of at most 255 each), so the
    // sum is positive and plain division rounds as intended.
    constexpr int kScale = kDivisor * 16;
    constexpr int kOffset = 1024 * kScale;
    const int shared = (accumulated * share + kScale / 2 + kOffset) / kScale - 1024;
    return std::clamp(value + shared, 0, 255);
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
    ErrorRows<1> errors(w);
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
            const int v = withError(valueOf[from[x]], errors.at(x)[0], share);
            const std::uint8_t index = nearest[v];
            to[x] = index;
            errors.spread(x, dir, {v - out.palette()[index].r});
        }
        errors.nextRow();
    }
}

void reduceColour(const LBitmap& in, LBitmap& out, DitherMethod dither, int share)
{
    NearestColour nearest(out.palette());
    const int w = in.GetWidth();
    const bool indexed = in.isIndexed();
    // One row at a time as RGB, so the loops below need not ask how the
    // picture holds its pixels.
    std::vector<Rgb> line(std::size_t(w), kBlack);
    auto readRow = [&](int y) {
        const std::uint8_t* p = in.row(y);
        for (int x = 0; x < w; ++x) {
            const std::uint8_t* q = p + 3 * std::ptrdiff_t(x);
            line[x] = indexed ? in.palette()[p[x]] : Rgb{q[0], q[1], q[2]};
        }
    };

    const std::vector<Rgb>& palette = out.palette();
    ErrorRows<3> errors(w);
    for (int y = 0; y < in.GetHeight(); ++y) {
        readRow(y);
        std::uint8_t* to = out.row(y);
        if (dither == DitherMethod::None) {
            for (int x = 0; x < w; ++x)
                to[x] = nearest.find(line[x]);
            continue;
        }
        const int dir = (y % 2 == 0) ? 1 : -1;
        for (int i = 0; i < w; ++i) {
            const int x = dir > 0 ? i : w - 1 - i;
            const Rgb c = line[x];
            const int* sums = errors.at(x);
            const int r = withError(c.r, sums[0], share);
            const int g = withError(c.g, sums[1], share);
            const int b = withError(c.b, sums[2], share);
            const std::uint8_t index = nearest.find(r, g, b);
            to[x] = index;
            const Rgb q = palette[index];
            errors.spread(x, dir, {r - q.r, g - q.g, b - q.b});
        }
        errors.nextRow();
    }
}

}  // namespace

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

}  // namespace hf
