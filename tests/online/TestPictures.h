#pragma once

// JPEG files for the online store's tests and benchmark, made here: a
// picture in two coloured halves, optionally with an EXIF segment that
// carries an orientation and a thumbnail of its own colours.

#include "LBitmap.h"
#include "Pictures.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace hf::test {

struct Rgb {
    std::uint8_t r, g, b;
    bool near(hf::Rgb c, int tolerance = 40) const;
};

inline constexpr Rgb kRed{220, 20, 20}, kBlue{20, 20, 220}, kGreen{20, 200, 20}, kYellow{230, 230, 20},
    kMagenta{200, 20, 200};

// Left half `left`, right half `right`; noise adds texture so the file has
// a camera-like size.
LBitmap halves(int width, int height, Rgb left, Rgb right, bool noise = false);

struct ExifPart {
    int orientation = 1;
    std::optional<LBitmap> thumbnail;
};

std::vector<std::uint8_t> makeJpeg(const LBitmap& picture, const std::optional<ExifPart>& exif = {}, int quality = 90);

// A PNG, or any other format Qt writes ("WEBP").
std::vector<std::uint8_t> makePng(const LBitmap& picture, const char* format = "PNG");

// Whether a JPEG file holds an EXIF segment at all.
bool hasExif(const std::vector<std::uint8_t>& file);

}  // namespace hf::test
