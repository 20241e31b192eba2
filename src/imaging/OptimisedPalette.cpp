#include "OptimisedPalette.h"

#include "NearestColour.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace hf {
namespace {

// Rounds of k-means after the split; each costs about one lookup per
// distinct colour.
constexpr int kRefineRounds = 4;

struct WeightedColour {
    Rgb colour;
    std::uint32_t count;
};

std::uint32_t key(Rgb c)
{
    return (std::uint32_t(c.r) << 16) | (std::uint32_t(c.g) << 8) | c.b;
}

Rgb fromKey(std::uint32_t k)
{
    return {std::uint8_t(k >> 16), std::uint8_t(k >> 8), std::uint8_t(k)};
}

// Least significant byte first radix sort of 24-bit keys: linear, which
// matters on the render's path where a comparison sort would cost more
// than the rest of the colour reduction.
void radixSort(std::vector<std::uint32_t>& keys)
{
    std::vector<std::uint32_t> other(keys.size());
    for (int shift = 0; shift < 24; shift += 8) {
        std::array<std::size_t, 257> start{};
        for (std::uint32_t k : keys)
            ++start[((k >> shift) & 0xFF) + 1];
        for (int i = 0; i < 256; ++i)
            start[i + 1] += start[i];
        for (std::uint32_t k : keys)
            other[start[(k >> shift) & 0xFF]++] = k;
        keys.swap(other);
    }
}

std::vector<WeightedColour> distinctColours(const LBitmap& picture)
{
    std::vector<std::uint32_t> keys;
    const int w = picture.GetWidth();
    const int h = picture.GetHeight();
    if (picture.isIndexed()) {
        std::array<std::uint32_t, 256> counts{};
        for (int y = 0; y < h; ++y) {
            const std::uint8_t* p = picture.row(y);
            for (int x = 0; x < w; ++x)
                ++counts[p[x]];
        }
        std::vector<WeightedColour> byEntry;
        for (std::size_t i = 0; i < picture.palette().size(); ++i)
            if (counts[i] > 0)
                byEntry.push_back({picture.palette()[i], counts[i]});
        std::sort(byEntry.begin(), byEntry.end(),
                  [](const WeightedColour& a, const WeightedColour& b) { return key(a.colour) < key(b.colour); });
        std::vector<WeightedColour> merged;
        for (const WeightedColour& c : byEntry) {
            if (!merged.empty() && merged.back().colour == c.colour)
                merged.back().count += c.count;
            else
                merged.push_back(c);
        }
        return merged;
    }
    keys.reserve(std::size_t(w) * std::size_t(h));
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* p = picture.row(y);
        for (int x = 0; x < w; ++x, p += 3)
            keys.push_back((std::uint32_t(p[0]) << 16) | (std::uint32_t(p[1]) << 8) | p[2]);
    }
    radixSort(keys);
    std::vector<WeightedColour> out;
    for (std::size_t i = 0; i < keys.size();) {
        std::size_t j = i + 1;
        while (j < keys.size() && keys[j] == keys[i])
            ++j;
        out.push_back({fromKey(keys[i]), std::uint32_t(j - i)});
        i = j;
    }
    return out;
}

// Wu's quantizer: cumulative moments of a 33^3 histogram (one empty layer in
// front of each axis) let the weight, colour sums and squared sums of any box
// be read in eight lookups, so every possible cut of a box is weighed
// exactly and the box with the largest error is split next.
class WuSplit {
public:
    explicit WuSplit(const std::vector<WeightedColour>& colours)
        : w_(kCount, 0), r_(kCount, 0), g_(kCount, 0), b_(kCount, 0), m2_(kCount, 0.0)
    {
        for (const WeightedColour& c : colours) {
            const int i = at((c.colour.r >> 3) + 1, (c.colour.g >> 3) + 1, (c.colour.b >> 3) + 1);
            const std::int64_t n = c.count;
            w_[i] += n;
            r_[i] += n * c.colour.r;
            g_[i] += n * c.colour.g;
            b_[i] += n * c.colour.b;
            m2_[i] += double(n) * (c.colour.r * c.colour.r + c.colour.g * c.colour.g + c.colour.b * c.colour.b);
        }
        accumulate(w_);
        accumulate(r_);
        accumulate(g_);
        accumulate(b_);
        accumulate(m2_);
    }

    std::vector<Rgb> palette(int maxColours)
    {
        std::vector<Box> boxes(static_cast<std::size_t>(maxColours));
        std::vector<double> error(static_cast<std::size_t>(maxColours), 0.0);
        boxes[0] = {0, kSide - 1, 0, kSide - 1, 0, kSide - 1};
        int count = 1;
        int next = 0;
        while (count < maxColours) {
            if (cut(boxes[next], boxes[count])) {
                error[next] = volume(boxes[next]) > 1 ? variance(boxes[next]) : 0.0;
                error[count] = volume(boxes[count]) > 1 ? variance(boxes[count]) : 0.0;
                ++count;
            } else {
                error[next] = 0.0;
            }
            next = int(std::max_element(error.begin(), error.begin() + count) - error.begin());
            if (error[next] <= 0.0)
                break;
        }
        std::vector<Rgb> out;
        for (int i = 0; i < count; ++i) {
            const Sums s = sums(boxes[i]);
            if (s.w > 0)
                out.push_back({mean(s.r, s.w), mean(s.g, s.w), mean(s.b, s.w)});
        }
        return out;
    }

private:
    static constexpr int kSide = 33;
    static constexpr int kCount = kSide * kSide * kSide;

    // Lower bounds exclusive, upper bounds inclusive, in histogram cells.
    struct Box {
        int r0, r1, g0, g1, b0, b1;
    };
    struct Sums {
        std::int64_t w = 0, r = 0, g = 0, b = 0;
    };
    enum Axis { Red, Green, Blue };

    static int at(int r, int g, int b) { return (r * kSide + g) * kSide + b; }
    static std::uint8_t mean(std::int64_t sum, std::int64_t n) { return std::uint8_t((sum + n / 2) / n); }
    static int volume(const Box& b) { return (b.r1 - b.r0) * (b.g1 - b.g0) * (b.b1 - b.b0); }

    template <typename T> static void accumulate(std::vector<T>& m)
    {
        for (int r = 1; r < kSide; ++r)
            for (int g = 1; g < kSide; ++g)
                for (int b = 1; b < kSide; ++b)
                    m[at(r, g, b)] += m[at(r, g, b - 1)];
        for (int r = 1; r < kSide; ++r)
            for (int g = 1; g < kSide; ++g)
                for (int b = 1; b < kSide; ++b)
                    m[at(r, g, b)] += m[at(r, g - 1, b)];
        for (int r = 1; r < kSide; ++r)
            for (int g = 1; g < kSide; ++g)
                for (int b = 1; b < kSide; ++b)
                    m[at(r, g, b)] += m[at(r - 1, g, b)];
    }

    template <typename T> static T vol(const Box& x, const std::vector<T>& m)
    {
        return m[at(x.r1, x.g1, x.b1)] - m[at(x.r1, x.g1, x.b0)] - m[at(x.r1, x.g0, x.b1)] + m[at(x.r1, x.g0, x.b0)] -
               m[at(x.r0, x.g1, x.b1)] + m[at(x.r0, x.g1, x.b0)] + m[at(x.r0, x.g0, x.b1)] - m[at(x.r0, x.g0, x.b0)];
    }

    // The box with its upper bound on the axis moved to pos.
    static Box upTo(Box x, Axis axis, int pos)
    {
        (axis == Red ? x.r1 : axis == Green ? x.g1 : x.b1) = pos;
        return x;
    }

    Sums sums(const Box& x) const { return {vol(x, w_), vol(x, r_), vol(x, g_), vol(x, b_)}; }

    double variance(const Box& x) const
    {
        const Sums s = sums(x);
        if (s.w == 0)
            return 0.0;
        const double rr = double(s.r), gg = double(s.g), bb = double(s.b);
        return vol(x, m2_) - (rr * rr + gg * gg + bb * bb) / double(s.w);
    }

    static double spread(const Sums& s)
    {
        const double rr = double(s.r), gg = double(s.g), bb = double(s.b);
        return (rr * rr + gg * gg + bb * bb) / double(s.w);
    }

    // The best place to cut the box across the axis, by the sum of the two
    // halves' squared sums over weights (larger = less error left).
    double bestCut(const Box& x, Axis axis, const Sums& whole, int& at) const
    {
        const int first = (axis == Red ? x.r0 : axis == Green ? x.g0 : x.b0) + 1;
        const int last = axis == Red ? x.r1 : axis == Green ? x.g1 : x.b1;
        double best = 0.0;
        at = -1;
        for (int pos = first; pos < last; ++pos) {
            const Sums half = sums(upTo(x, axis, pos));
            if (half.w == 0)
                continue;
            const Sums rest{whole.w - half.w, whole.r - half.r, whole.g - half.g, whole.b - half.b};
            if (rest.w == 0)
                continue;
            const double score = spread(half) + spread(rest);
            if (score > best) {
                best = score;
                at = pos;
            }
        }
        return best;
    }

    bool cut(Box& a, Box& b) const
    {
        const Sums whole = sums(a);
        int atR = -1, atG = -1, atB = -1;
        const double maxR = bestCut(a, Red, whole, atR);
        const double maxG = bestCut(a, Green, whole, atG);
        const double maxB = bestCut(a, Blue, whole, atB);
        b = a;
        if (maxR >= maxG && maxR >= maxB) {
            if (atR < 0)
                return false;
            a.r1 = b.r0 = atR;
        } else if (maxG >= maxR && maxG >= maxB) {
            a.g1 = b.g0 = atG;
        } else {
            a.b1 = b.b0 = atB;
        }
        return true;
    }

    std::vector<std::int64_t> w_, r_, g_, b_;
    std::vector<double> m2_;
};

// Lloyd's rounds: every colour goes to its nearest entry, every entry moves
// to the mean of its colours. Each round can only lower the squared error.
// The first `movable` entries move; the rest are colours the caller asked
// to keep.
void refine(std::vector<Rgb>& palette, std::size_t movable, const std::vector<WeightedColour>& colours, int rounds)
{
    struct Sum {
        std::uint64_t n = 0, r = 0, g = 0, b = 0;
    };
    std::vector<Sum> sums(palette.size());
    for (int round = 0; round < rounds; ++round) {
        NearestColour nearest(palette);
        std::fill(sums.begin(), sums.end(), Sum{});
        for (const WeightedColour& c : colours) {
            Sum& s = sums[nearest.find(c.colour)];
            s.n += c.count;
            s.r += std::uint64_t(c.count) * c.colour.r;
            s.g += std::uint64_t(c.count) * c.colour.g;
            s.b += std::uint64_t(c.count) * c.colour.b;
        }
        bool moved = false;
        for (std::size_t i = 0; i < movable; ++i) {
            const Sum& s = sums[i];
            if (s.n == 0)
                continue;
            const Rgb m{std::uint8_t((s.r + s.n / 2) / s.n), std::uint8_t((s.g + s.n / 2) / s.n),
                        std::uint8_t((s.b + s.n / 2) / s.n)};
            moved = moved || !(m == palette[i]);
            palette[i] = m;
        }
        if (!moved)
            break;
    }
}

} // namespace

std::vector<Rgb> optimisedPalette(const LBitmap& picture, int maxColours, std::span<const Rgb> keep)
{
    if (!picture.IsAllocated() || maxColours < 1)
        return {};
    maxColours = std::min(maxColours, 256);
    std::vector<Rgb> kept;
    for (const Rgb& c : keep)
        if (std::find(kept.begin(), kept.end(), c) == kept.end() && int(kept.size()) < maxColours)
            kept.push_back(c);

    const std::vector<WeightedColour> colours = distinctColours(picture);
    std::vector<Rgb> palette;
    for (const WeightedColour& c : colours)
        if (std::find(kept.begin(), kept.end(), c.colour) == kept.end())
            palette.push_back(c.colour);
    if (palette.size() + kept.size() > std::size_t(maxColours)) {
        palette.clear();
        if (int(kept.size()) < maxColours)
            palette = WuSplit(colours).palette(maxColours - int(kept.size()));
        const std::size_t movable = palette.size();
        palette.insert(palette.end(), kept.begin(), kept.end());
        refine(palette, movable, colours, kRefineRounds);
        return palette;
    }
    palette.insert(palette.end(), kept.begin(), kept.end());
    return palette;
}

} // namespace hf
