#include "NearestColour.h"

#include <cassert>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace hf {
namespace {

// Far outside the cube, yet small enough that three squared distances to
// it fit 32 bits: what pads a run of entries.
constexpr std::int16_t kFar = 10000;

}  // namespace

void NearestColour::Runs::add(std::int16_t red, std::int16_t green, std::int16_t blue, std::uint8_t i)
{
    r.push_back(red);
    g.push_back(green);
    b.push_back(blue);
    index.push_back(i);
}

void NearestColour::Runs::pad()
{
    while (r.size() % 8 != 0)
        add(kFar, kFar, kFar, 0);
}

NearestColour::NearestColour(std::span<const Rgb> palette)
    : coarseStart_(std::size_t(1) << (3 * kCoarseBits), -1), coarseCount_(std::size_t(1) << (3 * kCoarseBits), 0),
      fineStart_(std::size_t(1) << (3 * kFineBits), -1), fineCount_(std::size_t(1) << (3 * kFineBits), 0),
      nearest_(264), farthest_(264), keptIndex_(264)
{
    assert(!palette.empty() && palette.size() <= 256);
    for (std::size_t i = 0; i < palette.size(); ++i)
        palette_.add(palette[i].r, palette[i].g, palette[i].b, std::uint8_t(i));
    palette_.pad();
    kept_.reserve(264);
}

std::int32_t NearestColour::measure(const Runs& runs, std::size_t from, std::size_t n, int r, int g, int b, int side)
{
    const std::int16_t* rs = runs.r.data() + from;
    const std::int16_t* gs = runs.g.data() + from;
    const std::int16_t* bs = runs.b.data() + from;
#if defined(__SSE2__)
    // Per channel in 16 bits: the distance to the nearest and the farthest
    // point of the cube's side; squares summed in 32 bits by pairs.
    const __m128i zero = _mm_setzero_si128();
    const __m128i lo[3] = {_mm_set1_epi16(std::int16_t(r)), _mm_set1_epi16(std::int16_t(g)),
                           _mm_set1_epi16(std::int16_t(b))};
    const __m128i hi[3] = {_mm_set1_epi16(std::int16_t(r + side - 1)), _mm_set1_epi16(std::int16_t(g + side - 1)),
                           _mm_set1_epi16(std::int16_t(b + side - 1))};
    for (std::size_t i = 0; i < n; i += 8) {
        const __m128i v[3] = {_mm_loadu_si128(reinterpret_cast<const __m128i*>(rs + i)),
                              _mm_loadu_si128(reinterpret_cast<const __m128i*>(gs + i)),
                              _mm_loadu_si128(reinterpret_cast<const __m128i*>(bs + i))};
        __m128i near[3], far[3];
        for (int c = 0; c < 3; ++c) {
            near[c] = _mm_add_epi16(_mm_max_epi16(_mm_sub_epi16(lo[c], v[c]), zero),
                                    _mm_max_epi16(_mm_sub_epi16(v[c], hi[c]), zero));
            far[c] = _mm_max_epi16(_mm_sub_epi16(v[c], lo[c]), _mm_sub_epi16(hi[c], v[c]));
        }
        auto squares = [&zero](const __m128i(&d)[3], std::int32_t* out) {
            const __m128i rgLow = _mm_unpacklo_epi16(d[0], d[1]);
            const __m128i rgHigh = _mm_unpackhi_epi16(d[0], d[1]);
            const __m128i bLow = _mm_unpacklo_epi16(d[2], zero);
            const __m128i bHigh = _mm_unpackhi_epi16(d[2], zero);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                             _mm_add_epi32(_mm_madd_epi16(rgLow, rgLow), _mm_madd_epi16(bLow, bLow)));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4),
                             _mm_add_epi32(_mm_madd_epi16(rgHigh, rgHigh), _mm_madd_epi16(bHigh, bHigh)));
        };
        squares(near, nearest_.data() + i);
        squares(far, farthest_.data() + i);
    }
#else
    const int lo[3] = {r, g, b};
    for (std::size_t i = 0; i < n; ++i) {
        const int v[3] = {rs[i], gs[i], bs[i]};
        std::int32_t nearest = 0, farthest = 0;
        for (int c = 0; c < 3; ++c) {
            const int h = lo[c] + side - 1;
            const int d = std::max(lo[c] - v[c], 0) + std::max(v[c] - h, 0);
            const int f = std::max(v[c] - lo[c], h - v[c]);
            nearest += d * d;
            farthest += f * f;
        }
        nearest_[i] = nearest;
        farthest_[i] = farthest;
    }
#endif
    std::int32_t least = INT32_MAX;
    for (std::size_t i = 0; i < n; ++i)
        least = std::min(least, farthest_[i]);
    return least;
}

std::int32_t NearestColour::buildCoarse(int cell)
{
    constexpr int mask = (1 << kCoarseBits) - 1;
    const std::size_t n = palette_.r.size();
    // Every colour in the cell is within `least` of some entry, so an entry
    // that cannot come closer than that never wins there.
    const std::int32_t least =
        measure(palette_, 0, n, (cell >> (2 * kCoarseBits)) << kCoarseShift,
                ((cell >> kCoarseBits) & mask) << kCoarseShift, (cell & mask) << kCoarseShift, 1 << kCoarseShift);
    // Indices first, every one written and only kept ones advancing the
    // end (no branch for the processor to mispredict), then the few kept
    // entries copied.
    std::size_t kept = 0;
    for (std::size_t i = 0; i < n; ++i) {
        keptIndex_[kept] = std::uint16_t(i);
        kept += nearest_[i] <= least ? 1 : 0;
    }
    const std::size_t start = coarse_.r.size();
    for (std::size_t k = 0; k < kept; ++k) {
        const std::size_t i = keptIndex_[k];
        coarse_.add(palette_.r[i], palette_.g[i], palette_.b[i], palette_.index[i]);
    }
    coarse_.pad();
    coarseStart_[cell] = std::int32_t(start);
    coarseCount_[cell] = std::uint16_t(coarse_.r.size() - start);
    return std::int32_t(start);
}

std::int32_t NearestColour::buildFine(int cell)
{
    constexpr int mask = (1 << kFineBits) - 1;
    const int r = (cell >> (2 * kFineBits)) << kFineShift;
    const int g = ((cell >> kFineBits) & mask) << kFineShift;
    const int b = (cell & mask) << kFineShift;
    // The coarse cell holding this one lists every entry that can win
    // anywhere in it, so in particular here.
    const int parent =
        ((r >> kCoarseShift) << (2 * kCoarseBits)) | ((g >> kCoarseShift) << kCoarseBits) | (b >> kCoarseShift);
    std::int32_t from = coarseStart_[parent];
    if (from < 0)
        from = buildCoarse(parent);
    const std::size_t n = coarseCount_[parent];
    const std::int32_t least = measure(coarse_, std::size_t(from), n, r, g, b, 1 << kFineShift);

    kept_.resize(n);
    std::size_t kept = 0;
    for (std::size_t k = 0; k < n; ++k) {
        const std::size_t at = std::size_t(from) + k;
        kept_[kept] = {nearest_[k], std::uint8_t(coarse_.r[at]), std::uint8_t(coarse_.g[at]),
                       std::uint8_t(coarse_.b[at]), coarse_.index[at]};
        kept += nearest_[k] <= least ? 1 : 0;
    }
    kept_.resize(kept);
    // Short lists: insertion sort by reach.
    for (std::size_t k = 1; k < kept_.size(); ++k) {
        const Candidate c = kept_[k];
        std::size_t j = k;
        while (j > 0 && kept_[j - 1].reach > c.reach) {
            kept_[j] = kept_[j - 1];
            --j;
        }
        kept_[j] = c;
    }
    // Short lists repeat their last entry up to kFirst: the repeats give the
    // same key, so they change no answer.
    while (kept_.size() < std::size_t(kFirst))
        kept_.push_back(kept_.back());
    const std::int32_t start = std::int32_t(fine_.size());
    fine_.insert(fine_.end(), kept_.begin(), kept_.end());
    fineStart_[cell] = start;
    fineCount_[cell] = std::uint16_t(kept_.size());
    return start;
}

std::uint8_t nearestByScan(std::span<const Rgb> palette, Rgb colour)
{
    std::int32_t best = INT32_MAX;
    std::uint8_t bestIndex = 0;
    for (std::size_t i = 0; i < palette.size(); ++i) {
        const std::int32_t dr = colour.r - palette[i].r;
        const std::int32_t dg = colour.g - palette[i].g;
        const std::int32_t db = colour.b - palette[i].b;
        const std::int32_t d = dr * dr + dg * dg + db * db;
        if (d < best) {
            best = d;
            bestIndex = std::uint8_t(i);
        }
    }
    return bestIndex;
}

}  // namespace hf
