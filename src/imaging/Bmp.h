#pragma once

#include "LBitmap.h"

#include <cstdint>
#include <filesystem>
#include <vector>

namespace hf {

// The bytes of an 8-bit Windows BMP (BITMAPINFOHEADER, uncompressed, the
// full 256-entry colour table, rows bottom-up and padded to four bytes)
// holding the picture: the handheld's synchronisation reads our picture
// files in this form. An indexed picture keeps its palette and indices,
// whatever its depth; an RGB picture is reduced to an optimised palette
// with dithering first. Empty for an empty picture.
std::vector<std::uint8_t> encodeBmp(const LBitmap& picture);

// Writes the file, replacing what was there; the old file stays whole if
// writing fails.
bool saveBmp(const LBitmap& picture, const std::filesystem::path& path);

// Writes the file only if nothing exists under that name yet, so a picture
// file that is already in the album can never be overwritten. A failed
// write leaves no file behind.
bool saveBmpExclusive(const LBitmap& picture, const std::filesystem::path& path);

}  // namespace hf
