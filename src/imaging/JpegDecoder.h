#pragma once

#include "DecodeStop.h"
#include "LBitmap.h"

#include <cstdint>
#include <span>

namespace hf {

enum class JpegResult {
    Decoded,     // out holds the picture
    Failed,      // damaged, cut short or too large: there is no picture
    Unsupported  // a kind of JPEG left to the general readers (CMYK, say)
};

// JPEG straight into a bitmap's rows with libjpeg-turbo, the decoder Qt's
// own JPEG reader uses. Going through a QImage would decode into a 32-bit
// picture, convert every row, and copy it all once more into ours: for a
// camera's 12-megapixel photo that doubles the time the user waits.
// Gray JPEGs become 8-bit gray, colour ones 24-bit RGB; orientation is the
// caller's business. A file whose pixels the decoder finds damaged, a
// cut-off one included, fails; one that is merely untidy (stray bytes
// between its parts) decodes. A file that declares more blocks than its
// bytes can code fails before anything is allocated.
//
// With minSide above 0 the picture is decoded at the smallest of libjpeg's
// scales (1/8 to 8/8) whose longer side still reaches minSide: a thumbnail
// of a 12-megapixel photo then never holds the photo's full size.
//
// The stop is asked every few rows; when it says so, the decode fails.
JpegResult decodeJpeg(std::span<const std::uint8_t> file, LBitmap& out, int minSide = 0, const DecodeStop& stop = {});

// Whether decodeJpeg was built in; without libjpeg's headers every JPEG is
// Unsupported and Qt's reader does the work.
bool haveJpegDecoder();

}  // namespace hf
