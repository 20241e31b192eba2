#include "NearestColour.h"

#include <algorithm>
#include <cassert>
#include <cstdlib>

namespace hf {

NearestColour::NearestColour(std::span<const Rgb> palette)
    : palette_(palette.begin(), palette.end()), cellStart_(kCells, -1), cellCount_(kCells, 0)
{
    assert(!palette_.empty() && palette_.size() <= 256);
}

std::int32_t NearestColour::buildCell(int cell)
{
    constexpr int side = 1 << kShift;
    constexpr int mask = (1 << kCellBits) - 1;
    const int low[3] = {(cell >> (2 * kCellBits)) << kShift, ((cell >> kCellBits) & mask) << kShift,
                        (cell & mask) << kShift};

    // Each entry's nearest and farthest squared distance to the cell's box.
    std::int32_t leastFarthest = INT32_MAX;
    scratch_.clear();
    for (std::size_t i = 0; i < palette_.size(); ++i) {
        const int p[3] = {palette_[i].r, palette_[i].g, palette_[i].b};
        std::int32_t nearest = 0;
        std::int32_t farthest = 0;
        for (int k = 0; k < 3; ++k) {
            const int lo = low[k];
            const int hi = low[k] + side - 1;
            const int n = p[k] < lo ? lo - p[k] : p[k] > hi ? p[k] - hi : 0;
            const int f = std::max(std::abs(p[k] - lo), std::abs(p[k] - hi));
            nearest += n * n;
            farthest += f * f;
        }
        leastFarthest = std::min(leastFarthest, farthest);
        scratch_.push_back({nearest, palette_[i].r, palette_[i].g, palette_[i].b, std::uint8_t(i)});
    }
    // Every colour in the cell is within leastFarthest of some entry, so an
    // entry that cannot come closer than that never wins there.
    const std::int32_t start = std::int32_t(candidates_.size());
    for (const Candidate& c : scratch_)
        if (c.reach <= leastFarthest)
            candidates_.push_back(c);
    std::stable_sort(candidates_.begin() + start, candidates_.end(),
                     [](const Candidate& a, const Candidate& b) { return a.reach < b.reach; });
    cellStart_[cell] = start;
    cellCount_[cell] = std::uint16_t(candidates_.size() - std::size_t(start));
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
