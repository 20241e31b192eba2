#pragma once

#include "DecodeStop.h"
#include "LBitmap.h"

#include <cstdint>
#include <span>

namespace hf {

// Whether the bytes are a JPEG XL file: a bare codestream or its container.
bool isJxl(std::span<const std::uint8_t> file);

// The first frame of a JPEG XL file standing the way its codestream's
// orientation says: 24-bit RGB, or 8-bit gray for a gray picture; alpha
// laid on white; deeper and HDR pictures brought to 8 bits. Empty for a
// damaged or cut-off file, or one that declares more than
// kMaxPicturePixels.
// The stop is asked between the decoder's stages.
LBitmap decodeJxl(std::span<const std::uint8_t> file, const DecodeStop& stop = {});

}  // namespace hf
