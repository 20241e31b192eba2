#pragma once

#include "LBitmap.h"

#include <cstdint>
#include <span>

namespace hf {

enum class RleResult {
    Decoded,  // out holds the picture
    Failed,   // cut off, damaged or declaring more than it holds
    NotRle    // not a run-length compressed BMP: another reader's business
};

// Run-length compressed BMPs (8 and 4 bits per pixel) into an indexed
// bitmap. The stream must reach its end-of-bitmap marker (or the last row)
// inside the file and stay inside the picture; pixels it skips on purpose
// take palette entry 0, so no pixel is left to chance. Two bytes of the
// stream code at most 255 pixels, so a picture that declares far more
// pixels than its stream can hold is refused before anything is allocated.
RleResult decodeRleBmp(std::span<const std::uint8_t> file, LBitmap& out);

}  // namespace hf
