#pragma once

#include "LBitmap.h"

#include <cstdint>
#include <span>
#include <vector>

namespace hf {

// The palette entry nearest to a colour by squared RGB distance, the lowest
// index among equals: exactly what a scan of the whole palette gives, but
// each lookup only tries the few entries that can win in the colour's cell.
// The RGB cube is cut into 16 x 16 x 16 cells; a cell's list is made the
// first time a colour falls into it and holds every entry whose distance to
// the cell's nearest corner is at most the smallest farthest-corner distance
// of any entry, so no entry outside the list can be nearer to a colour in
// the cell. Lists are sorted by that distance, which lets a lookup stop early.
class NearestColour {
public:
    explicit NearestColour(std::span<const Rgb> palette);

    // r, g and b in 0 ... 255.
    std::uint8_t find(int r, int g, int b)
    {
        const int cell = ((r >> kShift) << (2 * kCellBits)) | ((g >> kShift) << kCellBits) | (b >> kShift);
        std::int32_t start = cellStart_[cell];
        if (start < 0)
            start = buildCell(cell);
        const Candidate* c = candidates_.data() + start;
        const Candidate* end = c + cellCount_[cell];
        std::int32_t best = INT32_MAX;
        std::uint8_t bestIndex = 0;
        for (; c != end && c->reach <= best; ++c) {
            const std::int32_t dr = r - c->r;
            const std::int32_t dg = g - c->g;
            const std::int32_t db = b - c->b;
            const std::int32_t d = dr * dr + dg * dg + db * db;
            if (d < best || (d == best && c->index < bestIndex)) {
                best = d;
                bestIndex = c->index;
            }
        }
        return bestIndex;
    }
    std::uint8_t find(Rgb c) { return find(c.r, c.g, c.b); }

private:
    static constexpr int kCellBits = 4;
    static constexpr int kShift = 8 - kCellBits;
    static constexpr int kCells = 1 << (3 * kCellBits);

    struct Candidate {
        std::int32_t reach; // squared distance from the cell to the entry
        std::uint8_t r, g, b, index;
    };

    std::int32_t buildCell(int cell);

    std::vector<Rgb> palette_;
    std::vector<std::int32_t> cellStart_;
    std::vector<std::uint16_t> cellCount_;
    std::vector<Candidate> candidates_;
    std::vector<Candidate> scratch_;
};

// The same answer by trying every entry; for small jobs and as the
// reference in tests.
std::uint8_t nearestByScan(std::span<const Rgb> palette, Rgb colour);

} // namespace hf
