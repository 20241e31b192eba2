#pragma once

#include "LBitmap.h"

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

namespace hf {

// The palette entry nearest to a colour by squared RGB distance, the lowest
// index among equals: exactly what a scan of the whole palette gives, but
// each lookup only tries the few entries that can win in the colour's cell.
//
// The RGB cube is cut into cells, and a cell's list of candidates is made
// the first time a colour falls into it: every entry whose distance to the
// cell's nearest point is at most the smallest farthest-point distance of
// any entry, so no entry left out can be nearer to a colour in the cell.
// Lists are sorted by that nearest distance, which lets a lookup stop as
// soon as no further entry can win. Cells come in two sizes: a fine cell's
// list is picked from its coarse cell's list rather than from the whole
// palette, which makes a fine list cost a few dozen tests instead of 256.
class NearestColour {
public:
    explicit NearestColour(std::span<const Rgb> palette);

    // r, g and b in 0 ... 255.
    std::uint8_t find(int r, int g, int b)
    {
        const int cell = ((r >> kFineShift) << (2 * kFineBits)) | ((g >> kFineShift) << kFineBits) | (b >> kFineShift);
        std::int32_t start = fineStart_[cell];
        if (start < 0)
            start = buildFine(cell);
        const Candidate* c = fine_.data() + start;
        const Candidate* end = c + fineCount_[cell];
        // Distance and index in one key: the smallest key is the nearest
        // entry, and among equally near ones the lowest index. The first
        // kFirst candidates (every list has that many) are tried without a
        // branch; most lookups are settled there.
        auto key = [r, g, b](const Candidate& k) {
            const std::int32_t dr = r - k.r;
            const std::int32_t dg = g - k.g;
            const std::int32_t db = b - k.b;
            return ((dr * dr + dg * dg + db * db) << 8) | k.index;
        };
        std::int32_t best = key(c[0]);
        for (int i = 1; i < kFirst; ++i)
            best = std::min(best, key(c[i]));
        for (c += kFirst; c != end && (c->reach << 8) <= best; ++c)
            best = std::min(best, key(*c));
        return std::uint8_t(best & 0xFF);
    }
    std::uint8_t find(Rgb c) { return find(c.r, c.g, c.b); }

private:
    static constexpr int kCoarseBits = 3;  // 8 x 8 x 8 cells, 32 levels wide
    static constexpr int kFineBits = 4;    // 16 x 16 x 16 cells, 16 levels wide
    static constexpr int kCoarseShift = 8 - kCoarseBits;
    static constexpr int kFineShift = 8 - kFineBits;
    static constexpr int kFirst = 4;

    struct Candidate {
        std::int32_t reach;  // squared distance from the cell to the entry
        std::uint8_t r, g, b, index;
    };

    // Entries one array per channel, in runs padded to a multiple of eight
    // with entries far outside the cube, so the distances to a cell are
    // worked out eight at a time and the padding never makes a list.
    struct Runs {
        std::vector<std::int16_t> r, g, b;
        std::vector<std::uint8_t> index;
        void add(std::int16_t red, std::int16_t green, std::int16_t blue, std::uint8_t i);
        void pad();
    };

    std::int32_t buildFine(int cell);
    std::int32_t buildCoarse(int cell);
    // nearest_ and farthest_ of the n (a multiple of eight) entries from
    // `from` on, for the cube of the given side at (r, g, b); answers the
    // smallest farthest distance.
    std::int32_t measure(const Runs& runs, std::size_t from, std::size_t n, int r, int g, int b, int side);

    Runs palette_;
    std::vector<std::int32_t> coarseStart_;
    std::vector<std::uint16_t> coarseCount_;  // padded
    Runs coarse_;
    std::vector<std::int32_t> fineStart_;
    std::vector<std::uint16_t> fineCount_;
    std::vector<Candidate> fine_;
    std::vector<std::int32_t> nearest_, farthest_;  // scratch, one per entry
    std::vector<Candidate> kept_;                   // scratch
    std::vector<std::uint16_t> keptIndex_;          // scratch
};

// The same answer by trying every entry; for small jobs and as the
// reference in tests.
std::uint8_t nearestByScan(std::span<const Rgb> palette, Rgb colour);

}  // namespace hf
