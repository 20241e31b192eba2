#include "OptimisedPalette.h"

#include "NearestColour.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <utility>

namespace hf {
namespace {

// Rounds of k-means after the split; each costs about one lookup per
// point. A point gathers the colours that agree in the top kPointBits bits
// of each channel: a grainy photo has nearly as many colours as pixels, and
// points this fine move the palette as well as the single colours would.
constexpr int kRefineRounds = 1;
constexpr int kPointBits = 6;

struct WeightedColour {
    Rgb colour;
    std::uint32_t count;
};

// Colours are sorted by a key that puts the top kPointBits of each channel
// first, so the colours of one k-means point lie next to each other.
constexpr int kLow = 8 - kPointBits;
constexpr std::uint32_t kLowMask = (1u << kLow) - 1;

std::uint32_t key(Rgb c)
{
    const std::uint32_t high = (std::uint32_t(c.r >> kLow) << (2 * kPointBits)) |
                               (std::uint32_t(c.g >> kLow) << kPointBits) | std::uint32_t(c.b >> kLow);
    const std::uint32_t low = ((c.r & kLowMask) << (2 * kLow)) | ((c.g & kLowMask) << kLow) | (c.b & kLowMask);
    return (high << (3 * kLow)) | low;
}

Rgb fromKey(std::uint32_t k)
{
    const std::uint32_t high = k >> (3 * kLow);
    const std::uint32_t low = k & ((1u << (3 * kLow)) - 1);
    const std::uint32_t pMask = (1u << kPointBits) - 1;
    return {std::uint8_t(((high >> (2 * kPointBits)) << kLow) | (low >> (2 * kLow))),
            std::uint8_t((((high >> kPointBits) & pMask) << kLow) | ((low >> kLow) & kLowMask)),
            std::uint8_t(((high & pMask) << kLow) | (low & kLowMask))};
}

bool samePoint(std::uint32_t a, std::uint32_t b)
{
    return (a >> (3 * kLow)) == (b >> (3 * kLow));
}

// Radix sort of 24-bit keys in two passes of twelve bits: linear, which
// matters on the render's path, where a comparison sort would cost more
// than the rest of the colour reduction.
void radixSort(std::vector<std::uint32_t>& keys)
{
    constexpr int kBits = 12;
    constexpr std::uint32_t kMask = (1u << kBits) - 1;
    std::vector<std::uint32_t> other(keys.size());
    std::vector<std::uint32_t> start(std::size_t(1) << kBits);
    for (int shift = 0; shift < 24; shift += kBits) {
        std::fill(start.begin(), start.end(), 0);
        for (std::uint32_t k : keys)
            ++start[(k >> shift) & kMask];
        std::uint32_t sum = 0;
        for (std::uint32_t& s : start)
            sum += std::exchange(s, sum);
        for (std::uint32_t k : keys)
            other[start[(k >> shift) & kMask]++] = k;
        keys.swap(other);
    }
}

std::vector<WeightedColour> distinctColours(const LBitmap& picture)
{
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
    std::vector<std::uint32_t> keys(std::size_t(w) * std::size_t(h));
    std::size_t n = 0;
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* p = picture.row(y);
        for (int x = 0; x < w; ++x, p += 3)
            keys[n++] = key({p[0], p[1], p[2]});
    }
    radixSort(keys);
    std::vector<WeightedColour> out;
    out.reserve(keys.size());
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
// exactly and the box with the largest error is split next. Sum is 32 bits
// wide where the picture is small enough (the render's 160 x 160), which
// halves the memory the histogram sweeps.
template <typename Sum> class WuSplit {
public:
    explicit WuSplit(const std::vector<WeightedColour>& colours) : m_(kCount)
    {
        for (const WeightedColour& c : colours) {
            Moments& m = m_[at((c.colour.r >> 3) + 1, (c.colour.g >> 3) + 1, (c.colour.b >> 3) + 1)];
            const Sum n = Sum(c.count);
            m.w += n;
            m.r += n * c.colour.r;
            m.g += n * c.colour.g;
            m.b += n * c.colour.b;
            m.m2 += double(c.count) * (c.colour.r * c.colour.r + c.colour.g * c.colour.g + c.colour.b * c.colour.b);
        }
        // Running sums along b, then g, then r.
        for (int step : {1, kSide, kSide * kSide}) {
            for (int r = 1; r < kSide; ++r)
                for (int g = 1; g < kSide; ++g)
                    for (int b = 1; b < kSide; ++b) {
                        const int i = at(r, g, b);
                        m_[i] += m_[i - step];
                    }
        }
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
            const Moments s = vol(boxes[i]);
            if (s.w > 0)
                out.push_back({mean(s.r, s.w), mean(s.g, s.w), mean(s.b, s.w)});
        }
        return out;
    }

private:
    static constexpr int kSide = 33;
    static constexpr int kCount = kSide * kSide * kSide;

    struct Moments {
        Sum w = 0, r = 0, g = 0, b = 0;
        double m2 = 0;
        Moments& operator+=(const Moments& o)
        {
            w += o.w;
            r += o.r;
            g += o.g;
            b += o.b;
            m2 += o.m2;
            return *this;
        }
        friend Moments operator+(Moments a, const Moments& o) { return a += o; }
        friend Moments operator-(Moments a, const Moments& o)
        {
            a.w -= o.w;
            a.r -= o.r;
            a.g -= o.g;
            a.b -= o.b;
            a.m2 -= o.m2;
            return a;
        }
    };

    // Lower bounds exclusive, upper bounds inclusive, in histogram cells.
    struct Box {
        int r0, r1, g0, g1, b0, b1;
    };
    enum Axis { Red, Green, Blue };

    static int at(int r, int g, int b) { return (r * kSide + g) * kSide + b; }
    static std::uint8_t mean(Sum sum, Sum n) { return std::uint8_t((sum + n / 2) / n); }
    static int volume(const Box& b) { return (b.r1 - b.r0) * (b.g1 - b.g0) * (b.b1 - b.b0); }

    Moments vol(const Box& x) const
    {
        return m_[at(x.r1, x.g1, x.b1)] - m_[at(x.r1, x.g1, x.b0)] - m_[at(x.r1, x.g0, x.b1)] +
               m_[at(x.r1, x.g0, x.b0)] - m_[at(x.r0, x.g1, x.b1)] + m_[at(x.r0, x.g1, x.b0)] +
               m_[at(x.r0, x.g0, x.b1)] - m_[at(x.r0, x.g0, x.b0)];
    }

    // The box with its upper bound on the axis moved to pos.
    static Box upTo(Box x, Axis axis, int pos)
    {
        (axis == Red ? x.r1 : axis == Green ? x.g1 : x.b1) = pos;
        return x;
    }

    static double spread(const Moments& s)
    {
        const double rr = double(s.r), gg = double(s.g), bb = double(s.b);
        return (rr * rr + gg * gg + bb * bb) / double(s.w);
    }

    double variance(const Box& x) const
    {
        const Moments s = vol(x);
        return s.w == 0 ? 0.0 : s.m2 - spread(s);
    }

    // The best place to cut the box across the axis, by the sum of the two
    // halves' squared sums over weights (larger = less error left).
    double bestCut(const Box& x, Axis axis, const Moments& whole, int& at) const
    {
        const int first = (axis == Red ? x.r0 : axis == Green ? x.g0 : x.b0) + 1;
        const int last = axis == Red ? x.r1 : axis == Green ? x.g1 : x.b1;
        double best = 0.0;
        at = -1;
        for (int pos = first; pos < last; ++pos) {
            const Moments half = vol(upTo(x, axis, pos));
            if (half.w == 0)
                continue;
            const Moments rest = whole - half;
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
        const Moments whole = vol(a);
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

    std::vector<Moments> m_;
};

std::vector<Rgb> wuPalette(const std::vector<WeightedColour>& colours, std::int64_t pixels, int maxColours)
{
    // 32-bit sums hold 255 x the pixel count up to eight million pixels.
    if (pixels <= 8'000'000)
        return WuSplit<std::int32_t>(colours).palette(maxColours);
    return WuSplit<std::int64_t>(colours).palette(maxColours);
}

// The colours of each point, summed.
struct Point {
    Rgb mean;
    std::uint64_t n, r, g, b;
};

std::vector<Point> points(const std::vector<WeightedColour>& colours)
{
    std::vector<Point> out;
    std::uint32_t last = 0;
    for (const WeightedColour& c : colours) {
        const std::uint32_t k = key(c.colour);
        if (out.empty() || !samePoint(k, last))
            out.push_back({kBlack, 0, 0, 0, 0});
        last = k;
        Point& p = out.back();
        p.n += c.count;
        p.r += std::uint64_t(c.count) * c.colour.r;
        p.g += std::uint64_t(c.count) * c.colour.g;
        p.b += std::uint64_t(c.count) * c.colour.b;
    }
    for (Point& p : out) {
        // Only steers the lookup, so a rounded float division will do.
        const float inverse = 1.0f / float(p.n);
        p.mean = {std::uint8_t(float(p.r) * inverse + 0.5f), std::uint8_t(float(p.g) * inverse + 0.5f),
                  std::uint8_t(float(p.b) * inverse + 0.5f)};
    }
    return out;
}

// Lloyd's rounds: every point goes to its nearest entry, every entry moves
// to the mean of its points' colours. Each round can only lower the squared
// error. The first `movable` entries move; the rest are colours the caller
// asked to keep.
void refine(std::vector<Rgb>& palette, std::size_t movable, const std::vector<Point>& points, int rounds)
{
    struct Sum {
        std::uint64_t n = 0, r = 0, g = 0, b = 0;
    };
    std::vector<Sum> sums(palette.size());
    for (int round = 0; round < rounds; ++round) {
        NearestColour nearest(palette);
        std::fill(sums.begin(), sums.end(), Sum{});
        for (const Point& p : points) {
            Sum& s = sums[nearest.find(p.mean)];
            s.n += p.n;
            s.r += p.r;
            s.g += p.g;
            s.b += p.b;
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

}  // namespace

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
            palette = wuPalette(colours, std::int64_t(picture.GetWidth()) * picture.GetHeight(),
                                maxColours - int(kept.size()));
        const std::size_t movable = palette.size();
        palette.insert(palette.end(), kept.begin(), kept.end());
        refine(palette, movable, points(colours), kRefineRounds);
        return palette;
    }
    palette.insert(palette.end(), kept.begin(), kept.end());
    return palette;
}

}  // namespace hf
