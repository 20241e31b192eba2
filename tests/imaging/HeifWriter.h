#pragma once

#include "LBitmap.h"

#include <cstdint>
#include <string>

namespace hf::test {

// How a test's HEIC or AVIF file is made from an 8-bit picture.
struct HeifMaking {
    enum class Codec { Hevc, Av1 } codec = Codec::Hevc;
    int orientation = 1;  // as EXIF numbers it, kept in the container
    int bits = 8;         // 8, or 10 or 12 with the transfer below
    enum class Transfer { Srgb, Pq, Hlg } transfer = Transfer::Srgb;
    int exifOrientation = 0;  // an EXIF block inside the file, when not 0
    int matrix = 6;           // YCbCr matrix by its H.273 number (8 bits only)
    bool fullRange = true;
    const LBitmap* thumbnail = nullptr;  // stored at half its size as the thumbnail, as phones do
};

// An 8-bit sRGB sample as a code of the given depth in the transfer, its
// light relative to the transfer's reference white.
int deepCode(std::uint8_t value, HeifMaking::Transfer transfer, int bits);

// Encodes the picture through libheif (heif-enc has no orientation option).
// Deep HDR files hold the picture's light with its white at the reference
// white of the transfer, as a phone records an ordinary scene. Empty when
// the encoder refuses.
std::string heifOf(const LBitmap& picture, const HeifMaking& making);

// The primary picture as libheif's own colour conversion gives it, 8-bit
// RGB. Empty when libheif fails.
LBitmap libheifRgb(const std::string& file);

}  // namespace hf::test
