#include "LBitmap.h"

#include "NearestColour.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstring>

namespace hf {
namespace {

bool sizeAllowed(int width, int height)
{
    return width > 0 && height > 0 && std::int64_t(width) * height <= kMaxPicturePixels;
}

bool validDepth(int bits)
{
    return bits == 1 || bits == 2 || bits == 4 || bits == 8;
}

// Which source column or row feeds output position i when n positions are
// made from span: the one under the output pixel's centre.
std::int32_t sampleAt(std::int64_t i, std::int64_t span, std::int64_t n)
{
    return std::int32_t(((2 * i + 1) * span) / (2 * n));
}

}  // namespace

std::vector<Rgb> grayPalette()
{
    std::vector<Rgb> p(256);
    for (int i = 0; i < 256; ++i)
        p[i] = {std::uint8_t(i), std::uint8_t(i), std::uint8_t(i)};
    return p;
}

bool isGrayPalette(std::span<const Rgb> palette)
{
    return std::all_of(palette.begin(), palette.end(), [](Rgb c) { return c.r == c.g && c.g == c.b; });
}

LBitmap LBitmap::rgb(int width, int height, Pixels pixels)
{
    LBitmap b;
    if (!sizeAllowed(width, height))
        return b;
    b.width_ = width;
    b.height_ = height;
    b.bits_ = 24;
    b.pixels_.resize(std::size_t(width) * std::size_t(height) * 3);
    if (pixels == Pixels::Cleared)
        std::fill(b.pixels_.begin(), b.pixels_.end(), 0);
    return b;
}

LBitmap LBitmap::indexed(int width, int height, int bitsPerPixel, std::vector<Rgb> palette, Pixels pixels)
{
    LBitmap b;
    if (!sizeAllowed(width, height) || !validDepth(bitsPerPixel) || palette.empty() ||
        palette.size() > (std::size_t(1) << bitsPerPixel))
        return b;
    b.width_ = width;
    b.height_ = height;
    b.bits_ = bitsPerPixel;
    b.palette_ = std::move(palette);
    b.pixels_.resize(std::size_t(width) * std::size_t(height));
    if (pixels == Pixels::Cleared)
        std::fill(b.pixels_.begin(), b.pixels_.end(), 0);
    return b;
}

LBitmap LBitmap::sampledFrom(const LBitmap& source, Rect window, int width, int height)
{
    window = {std::max(window.left, 0), std::max(window.top, 0), std::min(window.right, source.width_),
              std::min(window.bottom, source.height_)};
    if (!source.IsAllocated() || !sizeAllowed(width, height) || window.width() <= 0 || window.height() <= 0)
        return {};
    LBitmap out;
    out.width_ = width;
    out.height_ = height;
    out.bits_ = source.bits_;
    out.palette_ = source.palette_;
    const int bpp = source.bytesPerPixel();
    out.pixels_.resize(std::size_t(width) * std::size_t(height) * std::size_t(bpp));

    // Source byte offsets of the columns, worked out once for all rows.
    std::vector<std::size_t> columns(std::size_t(width), 0);
    for (int x = 0; x < width; ++x)
        columns[x] = std::size_t(window.left + sampleAt(x, window.width(), width)) * std::size_t(bpp);

    for (int y = 0; y < height; ++y) {
        const std::uint8_t* from = source.row(window.top + sampleAt(y, window.height(), height));
        std::uint8_t* to = out.row(y);
        if (width == window.width()) {
            std::memcpy(to, from + columns[0], out.rowBytes());
        } else if (bpp == 1) {
            for (int x = 0; x < width; ++x)
                to[x] = from[columns[x]];
        } else {
            for (int x = 0; x < width; ++x, to += 3) {
                const std::uint8_t* p = from + columns[x];
                to[0] = p[0];
                to[1] = p[1];
                to[2] = p[2];
            }
        }
    }
    return out;
}

void LBitmap::Free()
{
    *this = LBitmap();
}

Rgb LBitmap::colourAt(int x, int y) const
{
    const std::uint8_t* p = row(y);
    if (isIndexed())
        return palette_[p[x]];
    p += std::size_t(x) * 3;
    return {p[0], p[1], p[2]};
}

void LBitmap::setColour(int x, int y, Rgb c)
{
    assert(bits_ == 24);
    std::uint8_t* p = row(y) + std::size_t(x) * 3;
    p[0] = c.r;
    p[1] = c.g;
    p[2] = c.b;
}

void LBitmap::setIndex(int x, int y, std::uint8_t i)
{
    assert(isIndexed() && i < palette_.size());
    row(y)[x] = i;
}

bool LBitmap::Size(int width, int height)
{
    if (!IsAllocated() || !sizeAllowed(width, height))
        return false;
    if (width == width_ && height == height_)
        return true;
    *this = sampledFrom(*this, Rect{0, 0, width_, height_}, width, height);
    return true;
}

bool LBitmap::Trim(Rect rect)
{
    const Rect clip{std::max(rect.left, 0), std::max(rect.top, 0), std::min(rect.right, width_),
                    std::min(rect.bottom, height_)};
    if (!IsAllocated() || clip.width() <= 0 || clip.height() <= 0)
        return false;
    *this = sampledFrom(*this, clip, clip.width(), clip.height());
    return true;
}

void LBitmap::Fill(Rgb colour)
{
    if (!IsAllocated())
        return;
    if (isIndexed()) {
        std::fill(pixels_.begin(), pixels_.end(), nearestByScan(palette_, colour));
        return;
    }
    for (std::size_t i = 0; i < pixels_.size(); i += 3) {
        pixels_[i] = colour.r;
        pixels_[i + 1] = colour.g;
        pixels_[i + 2] = colour.b;
    }
}

bool LBitmap::Combine(const LBitmap& source, int width, int height, int destX, int destY, int srcX, int srcY)
{
    if (&source == this) {
        // NOLINTNEXTLINE(performance-unnecessary-copy-initialization): source is this bitmap, which changes.
        const LBitmap copy = source;
        return Combine(copy, width, height, destX, destY, srcX, srcY);
    }
    if (!IsAllocated() || !source.IsAllocated() || width <= 0 || height <= 0)
        return false;

    // Clip in 64 bits: the arguments may be anything.
    std::int64_t w = width, h = height, dx = destX, dy = destY, sx = srcX, sy = srcY;
    auto clipStart = [](std::int64_t& a, std::int64_t& b, std::int64_t& extent) {
        if (a < 0) {
            b -= a;
            extent += a;
            a = 0;
        }
    };
    clipStart(sx, dx, w);
    clipStart(sy, dy, h);
    clipStart(dx, sx, w);
    clipStart(dy, sy, h);
    w = std::min({w, std::int64_t(source.width_) - sx, std::int64_t(width_) - dx});
    h = std::min({h, std::int64_t(source.height_) - sy, std::int64_t(height_) - dy});
    if (w <= 0 || h <= 0)
        return true;

    const int cw = int(w);

    if (!isIndexed()) {
        for (int y = 0; y < int(h); ++y) {
            std::uint8_t* to = row(int(dy) + y) + std::size_t(dx) * 3;
            const std::uint8_t* from = source.row(int(sy) + y);
            if (!source.isIndexed()) {
                std::memcpy(to, from + std::size_t(sx) * 3, std::size_t(cw) * 3);
                continue;
            }
            for (int x = 0; x < cw; ++x, to += 3) {
                const Rgb c = source.palette_[from[sx + x]];
                to[0] = c.r;
                to[1] = c.g;
                to[2] = c.b;
            }
        }
        return true;
    }

    if (source.isIndexed()) {
        // Same palette: indices carry over. Otherwise each source entry
        // becomes our entry nearest to it.
        std::array<std::uint8_t, 256> map{};
        const bool same = source.palette_ == palette_;
        for (std::size_t i = 0; i < source.palette_.size(); ++i)
            map[i] = same ? std::uint8_t(i) : nearestByScan(palette_, source.palette_[i]);
        for (int y = 0; y < int(h); ++y) {
            std::uint8_t* to = row(int(dy) + y) + dx;
            const std::uint8_t* from = source.row(int(sy) + y) + sx;
            for (int x = 0; x < cw; ++x)
                to[x] = map[from[x]];
        }
        return true;
    }

    NearestColour nearest(palette_);
    for (int y = 0; y < int(h); ++y) {
        std::uint8_t* to = row(int(dy) + y) + dx;
        const std::uint8_t* from = source.row(int(sy) + y) + std::size_t(sx) * 3;
        for (int x = 0; x < cw; ++x, from += 3)
            to[x] = nearest.find(from[0], from[1], from[2]);
    }
    return true;
}

void LBitmap::GrayScale()
{
    if (!IsAllocated())
        return;
    if (isIndexed()) {
        std::array<std::uint8_t, 256> gray{};
        for (std::size_t i = 0; i < palette_.size(); ++i)
            gray[i] = grayOf(palette_[i]);
        for (std::uint8_t& p : pixels_)
            p = gray[p];
    } else {
        PixelBuffer gray(std::size_t(width_) * std::size_t(height_));
        for (std::size_t i = 0, j = 0; i < gray.size(); ++i, j += 3)
            gray[i] = grayOf({pixels_[j], pixels_[j + 1], pixels_[j + 2]});
        pixels_ = std::move(gray);
    }
    bits_ = 8;
    palette_ = grayPalette();
}

LBitmap oriented(LBitmap picture, Orientation o)
{
    if (!picture.IsAllocated() || (!o.mirror && !o.flip && !o.rotate90))
        return picture;
    const int w = picture.GetWidth();
    const int h = picture.GetHeight();
    const int ow = o.rotate90 ? h : w;
    const int oh = o.rotate90 ? w : h;
    LBitmap out = picture.isIndexed() ? LBitmap::indexed(ow, oh, picture.GetBitsPerPixel(), picture.palette(),
                                                         LBitmap::Pixels::ToBeWritten)
                                      : LBitmap::rgb(ow, oh, LBitmap::Pixels::ToBeWritten);
    const int bpp = picture.bytesPerPixel();
    for (int y = 0; y < oh; ++y) {
        std::uint8_t* to = out.row(y);
        for (int x = 0; x < ow; ++x, to += bpp) {
            // Undo the quarter turn, then the mirror and the flip.
            int sx = o.rotate90 ? y : x;
            int sy = o.rotate90 ? h - 1 - x : y;
            sx = o.mirror ? w - 1 - sx : sx;
            sy = o.flip ? h - 1 - sy : sy;
            std::memcpy(to, picture.row(sy) + std::size_t(sx) * std::size_t(bpp), std::size_t(bpp));
        }
    }
    return out;
}

}  // namespace hf
