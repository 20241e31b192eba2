#include "NearestColour.h"

#include <algorithm>
#include <cassert>

namespace hf {
namespace {

// Squared distance along one axis from v to the nearest and the farthest
// point of [lo, lo + side - 1].
// Without branches: which side of the cube an entry lies on is anyone's
// guess, and mispredicted branches would cost more than the arithmetic.
inline void axisReach(std::int32_t v, std::int32_t lo, std::int32_t side, std::int32_t& nearest, std::int32_t& farthest)
{
    const std::int32_t hi = lo + side - 1;
    const std::int32_t n = std::max(lo - v, 0) + std::max(v - hi, 0);
    const std::int32_t f = std::max(v - lo, hi - v);
    nearest += n * n;
    farthest += f * f;
}

} // namespace

NearestColour::NearestColour(std::span<const Rgb> palette)
    : coarseStart_(std::size_t(1) << (3 * kCoarseBits), -1), coarseCount_(std::size_t(1) << (3 * kCoarseBits), 0),
      fineStart_(std::size_t(1) << (3 * kFineBits), -1), fineCount_(std::size_t(1) << (3 * kFineBits), 0),
      nearest_(palette.size()), farthest_(palette.size()), keptIndex_(palette.size()), keptCandidate_(palette.size())
{
    assert(!palette.empty() && palette.size() <= 256);
    for (const Rgb& c : palette) {
        red_.push_back(c.r);
        green_.push_back(c.g);
        blue_.push_back(c.b);
    }
}

std::int32_t NearestColour::buildCoarse(int cell)
{
    constexpr int mask = (1 << kCoarseBits) - 1;
    constexpr std::int32_t side = 1 << kCoarseShift;
    const std::int32_t r = (cell >> (2 * kCoarseBits)) << kCoarseShift;
    const std::int32_t g = ((cell >> kCoarseBits) & mask) << kCoarseShift;
    const std::int32_t b = (cell & mask) << kCoarseShift;
    const std::size_t n = red_.size();
    for (std::size_t i = 0; i < n; ++i) {
        std::int32_t nearest = 0;
        std::int32_t farthest = 0;
        axisReach(red_[i], r, side, nearest, farthest);
        axisReach(green_[i], g, side, nearest, farthest);
        axisReach(blue_[i], b, side, nearest, farthest);
        nearest_[i] = nearest;
        farthest_[i] = farthest;
    }
    // Every colour in the cell is within leastFarthest of some entry, so an
    // entry that cannot come closer than that never wins there.
    const std::int32_t leastFarthest = *std::min_element(farthest_.begin(), farthest_.begin() + std::ptrdiff_t(n));
    // Every index is written and only kept ones advance: no branch for the
    // processor to mispredict.
    std::size_t kept = 0;
    for (std::size_t i = 0; i < n; ++i) {
        keptIndex_[kept] = std::uint8_t(i);
        kept += nearest_[i] <= leastFarthest ? 1 : 0;
    }
    const std::int32_t start = std::int32_t(coarse_.size());
    coarse_.insert(coarse_.end(), keptIndex_.begin(), keptIndex_.begin() + std::ptrdiff_t(kept));
    coarseStart_[cell] = start;
    coarseCount_[cell] = std::uint16_t(kept);
    return start;
}

std::int32_t NearestColour::buildFine(int cell)
{
    constexpr int mask = (1 << kFineBits) - 1;
    constexpr std::int32_t side = 1 << kFineShift;
    const std::int32_t r = (cell >> (2 * kFineBits)) << kFineShift;
    const std::int32_t g = ((cell >> kFineBits) & mask) << kFineShift;
    const std::int32_t b = (cell & mask) << kFineShift;
    // The coarse cell holding this one lists every entry that can win
    // anywhere in it, so in particular here.
    const int parent =
        ((r >> kCoarseShift) << (2 * kCoarseBits)) | ((g >> kCoarseShift) << kCoarseBits) | (b >> kCoarseShift);
    std::int32_t from = coarseStart_[parent];
    if (from < 0)
        from = buildCoarse(parent);
    const std::uint8_t* entries = coarse_.data() + from;
    const std::size_t n = coarseCount_[parent];

    std::int32_t leastFarthest = INT32_MAX;
    for (std::size_t k = 0; k < n; ++k) {
        const std::uint8_t i = entries[k];
        std::int32_t nearest = 0;
        std::int32_t farthest = 0;
        axisReach(red_[i], r, side, nearest, farthest);
        axisReach(green_[i], g, side, nearest, farthest);
        axisReach(blue_[i], b, side, nearest, farthest);
        nearest_[k] = nearest;
        leastFarthest = std::min(leastFarthest, farthest);
    }
    std::size_t kept = 0;
    for (std::size_t k = 0; k < n; ++k) {
        const std::uint8_t i = entries[k];
        keptCandidate_[kept] = {nearest_[k], std::uint8_t(red_[i]), std::uint8_t(green_[i]), std::uint8_t(blue_[i]), i};
        kept += nearest_[k] <= leastFarthest ? 1 : 0;
    }
    // Short lists: insertion sort by reach, stable, so equal reaches keep
    // index order.
    for (std::size_t k = 1; k < kept; ++k) {
        const Candidate c = keptCandidate_[k];
        std::size_t j = k;
        while (j > 0 && keptCandidate_[j - 1].reach > c.reach) {
            keptCandidate_[j] = keptCandidate_[j - 1];
            --j;
        }
        keptCandidate_[j] = c;
    }
    const std::int32_t start = std::int32_t(fine_.size());
    fine_.insert(fine_.end(), keptCandidate_.begin(), keptCandidate_.begin() + std::ptrdiff_t(kept));
    fineStart_[cell] = start;
    fineCount_[cell] = std::uint16_t(kept);
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

} // namespace hf
