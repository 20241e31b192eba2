#pragma once

#include "LBitmap.h"

#include <cstdint>
#include <span>

namespace hf {

enum class JpegResult {
    Decoded,    // out holds the picture
    Failed,     // damaged, cut short or too large: there is no picture
    Unsupported // a kind of JPEG left to the general readers (CMYK, say)
};

// JPEG straight into a bitmap's rows with libjpeg-turbo, the decoder Qt's
// own JPEG reader uses. Going through a QImage would decode into a 32-bit
// picture, convert every row, and copy it all once more into ours: for a
// camera's 12-megapixel photo that doubles the time the user waits.
// Gray JPEGs become 8-bit gray, colour ones 24-bit RGB; orientation is the
// caller's business. A file with any damage the decoder notices, a cut-off
// one included, fails.
JpegResult decodeJpeg(std::span<const std::uint8_t> file, LBitmap& out);

// Whether decodeJpeg was built in; without libjpeg's headers every JPEG is
// Unsupported and Qt's reader does the work.
bool haveJpegDecoder();

} // namespace hf
