#pragma once

#include "PixelBuffer.h"
#include "Rect.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace hf {

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    friend constexpr bool operator==(const Rgb&, const Rgb&) = default;
};

inline constexpr Rgb kBlack{0, 0, 0};

// The largest picture we hold: a decoded photo beyond this is refused rather
// than risking the memory of the whole desktop.
inline constexpr std::int64_t kMaxPicturePixels = 100'000'000;

enum class DitherMethod { None, JarvisJudiceNinke };

// Where ColorRes takes its colours from: the palette it is given, or one of
// up to 2^bits colours chosen for the picture.
enum class PaletteOption { Fixed, Optimised };

// A picture held by value: empty, 24-bit RGB, or indexed with 1, 2, 4 or 8
// bits per pixel and a palette. Rows are top-down. Pixels are kept one byte
// per index (whatever the depth) or three bytes R, G, B, rows packed without
// padding; the depth only limits the palette and is what Save writes.
//
// Operations that can refuse their arguments answer false and leave the
// picture as it was; the render never looks at the answers (a failing step
// leaves its bitmap as it was and the next steps use that).
class LBitmap {
public:
    LBitmap() = default;

    // Whether a new picture starts black (index 0) or with its memory as it
    // comes, for a caller that writes every pixel straight away.
    enum class Pixels { Cleared, ToBeWritten };

    // An RGB picture; empty when the size is not positive or too large.
    static LBitmap rgb(int width, int height, Pixels pixels = Pixels::Cleared);
    // An indexed picture. The palette must hold between 1 and
    // 2^bitsPerPixel entries; otherwise the result is empty.
    static LBitmap indexed(int width, int height, int bitsPerPixel, std::vector<Rgb> palette,
                           Pixels pixels = Pixels::Cleared);
    // The same pixels as a copy of source trimmed to window and resized to
    // width x height, without copying anything outside the window. Empty
    // when the window holds no pixel of the source.
    static LBitmap sampledFrom(const LBitmap& source, Rect window, int width, int height);

    void Free();
    bool IsAllocated() const { return width_ > 0; }
    int GetWidth() const { return width_; }
    int GetHeight() const { return height_; }
    // 24 for RGB, 1, 2, 4 or 8 for indexed, 0 when empty.
    int GetBitsPerPixel() const { return bits_; }
    bool isIndexed() const { return bits_ > 0 && bits_ <= 8; }
    const std::vector<Rgb>& palette() const { return palette_; }

    // Raw rows: three bytes per pixel for RGB, one index per pixel otherwise.
    int bytesPerPixel() const { return isIndexed() ? 1 : 3; }
    std::uint8_t* row(int y) { return pixels_.data() + std::size_t(y) * rowBytes(); }
    const std::uint8_t* row(int y) const { return pixels_.data() + std::size_t(y) * rowBytes(); }
    std::size_t rowBytes() const { return std::size_t(width_) * std::size_t(bytesPerPixel()); }

    Rgb colourAt(int x, int y) const;
    std::uint8_t indexAt(int x, int y) const { return row(y)[x]; }
    void setColour(int x, int y, Rgb c);          // RGB pictures only
    void setIndex(int x, int y, std::uint8_t i);  // indexed pictures only; i must be in the palette

    // Plain resize: every output pixel is a copy of one source pixel
    // (replication when growing, dropping when shrinking), never a blend.
    bool Size(int width, int height);
    // Keeps the part inside rect (clipped to the picture); refuses a
    // rectangle that holds no pixel of the picture.
    bool Trim(Rect rect);
    // Fills with the colour, or on an indexed picture with the palette entry
    // nearest to it (the lowest index among equals).
    void Fill(Rgb colour = kBlack);
    // Source pixels replace ours in a width x height area at (destX, destY),
    // taken from (srcX, srcY), clipped to both pictures. Colours are mapped
    // to our palette when the source does not share it.
    bool Combine(const LBitmap& source, int width, int height, int destX, int destY, int srcX, int srcY);
    // 8-bit gray: index = gray value, palette 0 ... 255.
    void GrayScale();
    // Tone curves; on indexed pictures they change the palette only.
    // gammaTimes100 = 100 leaves the picture unchanged.
    void GammaCorrect(int gammaTimes100);
    // -1000 ... +1000, 0 = unchanged; see Tone.cpp for the curve.
    void ChangeContrast(int amount);
    // Reduces to an indexed picture of the given depth (1, 2, 4 or 8): onto
    // the palette given, or onto one chosen for the picture that holds the
    // colours given (black, say, for a canvas around the picture).
    bool ColorRes(int bitsPerPixel, DitherMethod dither, PaletteOption option, std::span<const Rgb> palette = {});
    // Writes an 8-bit Windows BMP, replacing the file. RGB pictures are
    // reduced to an optimised palette with dithering on the way.
    bool Save(const std::filesystem::path& path) const;

    friend bool operator==(const LBitmap&, const LBitmap&) = default;

private:
    int width_ = 0;
    int height_ = 0;
    int bits_ = 0;
    std::vector<Rgb> palette_;
    PixelBuffer pixels_;
};

// How a stored picture is turned to stand the way it was taken: mirrored
// left to right, flipped top to bottom, then turned a quarter clockwise.
// The eight orientations a camera records are all of this form.
struct Orientation {
    bool mirror = false;
    bool flip = false;
    bool rotate90 = false;
};
LBitmap oriented(LBitmap picture, Orientation orientation);
// The turn for an EXIF orientation tag (1 to 8); none for any other value.
Orientation exifOrientation(int tag);

// The picture scaled down (never up) so that its longer side is at most
// maxSide, each pixel the average of the pixels it covers; RGB, or 8-bit
// gray for a gray picture. A picture that fits already is returned as it is.
LBitmap fittedInside(const LBitmap& picture, int maxSide);

// The 256 grays, index = value: the palette of GrayScale's result.
std::vector<Rgb> grayPalette();
// True when every entry has equal red, green and blue.
bool isGrayPalette(std::span<const Rgb> palette);
// Rec. 601 luma in integers, rounded: what GrayScale keeps of a colour.
constexpr std::uint8_t grayOf(Rgb c)
{
    return std::uint8_t((77 * c.r + 150 * c.g + 29 * c.b + 128) >> 8);
}

}  // namespace hf
