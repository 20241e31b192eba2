#pragma once

#include "DecodeStop.h"
#include "LBitmap.h"

#include <cstdint>
#include <span>

namespace hf {

// Whether the bytes are a HEIF file holding HEVC (HEIC) or AV1 (AVIF)
// pictures, by the brands of its first box.
bool isHeif(std::span<const std::uint8_t> file);

// The primary picture of a HEIC or AVIF file as 24-bit RGB, standing the
// way the phone showed it: the container's rotation and mirror are applied,
// an EXIF orientation inside the file is not (the container's already
// says it, and applying both would turn the photo twice). Transparent parts
// are laid on white; 10- and 12-bit pictures, HDR ones included, are
// brought to 8 bits. Empty for a damaged or cut-off file, an undecodable
// one, or one that declares more than kMaxPicturePixels.
// libheif cannot be stopped inside its decode; the stop is asked before
// and after it.
LBitmap decodeHeif(std::span<const std::uint8_t> file, const DecodeStop& stop = {});

// For a preview of about `side` pixels: the smallest of the file's own
// thumbnails that is at least that large (phones store one), decoded by
// the same rules; the whole picture when there is none. Decoding a
// 50-megapixel photo each time a name is highlighted would stall a file
// dialog for seconds.
LBitmap decodeHeifPreview(std::span<const std::uint8_t> file, int side, const DecodeStop& stop = {});

}  // namespace hf
