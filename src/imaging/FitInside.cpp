#include "LBitmap.h"

#include <algorithm>
#include <vector>

// Small pictures of large ones: the thumbnails and pictures a download writes.
namespace hf {

Orientation exifOrientation(int tag)
{
    // Mirror, flip, quarter turn: tags 1 to 8 in the order EXIF numbers them.
    static constexpr Orientation kTurns[9] = {{},
                                              {},
                                              {true, false, false},
                                              {true, true, false},
                                              {false, true, false},
                                              {false, true, true},
                                              {false, false, true},
                                              {true, false, true},
                                              {true, true, true}};
    return tag >= 1 && tag <= 8 ? kTurns[tag] : Orientation{};
}

LBitmap fittedInside(const LBitmap& picture, int maxSide)
{
    const int w = picture.GetWidth();
    const int h = picture.GetHeight();
    const int longer = std::max(w, h);
    if (!picture.IsAllocated() || maxSide <= 0 || longer <= maxSide)
        return picture;
    const int tw = std::max(1, int((std::int64_t(w) * maxSide + longer / 2) / longer));
    const int th = std::max(1, int((std::int64_t(h) * maxSide + longer / 2) / longer));
    const bool gray = picture.isIndexed() && isGrayPalette(picture.palette());
    LBitmap out = gray ? LBitmap::indexed(tw, th, 8, grayPalette(), LBitmap::Pixels::ToBeWritten)
                       : LBitmap::rgb(tw, th, LBitmap::Pixels::ToBeWritten);
    if (!out.IsAllocated())
        return {};
    const int channels = gray ? 1 : 3;

    // Each target column's source span, worked out once for all rows.
    std::vector<int> x0(std::size_t(tw) + 1);
    for (int tx = 0; tx <= tw; ++tx)
        x0[std::size_t(tx)] = int(std::int64_t(tx) * w / tw);
    std::vector<std::uint32_t> sums(std::size_t(tw) * 3);
    for (int ty = 0; ty < th; ++ty) {
        const int y0 = int(std::int64_t(ty) * h / th);
        const int y1 = std::max(y0 + 1, int(std::int64_t(ty + 1) * h / th));
        std::fill(sums.begin(), sums.end(), 0);
        for (int y = y0; y < y1; ++y) {
            const std::uint8_t* row = picture.row(y);
            for (int tx = 0; tx < tw; ++tx) {
                const int from = x0[std::size_t(tx)];
                const int to = std::max(from + 1, x0[std::size_t(tx) + 1]);
                std::uint32_t* sum = &sums[std::size_t(tx) * 3];
                for (int x = from; x < to; ++x) {
                    if (picture.isIndexed()) {
                        const std::vector<Rgb>& palette = picture.palette();
                        const Rgb c = palette[row[x] < palette.size() ? row[x] : 0];
                        sum[0] += c.r;
                        sum[1] += c.g;
                        sum[2] += c.b;
                    } else {
                        const std::size_t at = std::size_t(x) * 3;
                        sum[0] += row[at];
                        sum[1] += row[at + 1];
                        sum[2] += row[at + 2];
                    }
                }
            }
        }
        std::uint8_t* target = out.row(ty);
        for (int tx = 0; tx < tw; ++tx) {
            const int from = x0[std::size_t(tx)];
            const std::uint32_t n = std::uint32_t((y1 - y0) * std::max(1, x0[std::size_t(tx) + 1] - from));
            for (int c = 0; c < channels; ++c)
                target[tx * channels + c] = std::uint8_t((sums[std::size_t(tx) * 3 + std::size_t(c)] + n / 2) / n);
        }
    }
    return out;
}

}  // namespace hf
