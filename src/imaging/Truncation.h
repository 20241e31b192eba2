#pragma once

#include <cstdint>
#include <span>

namespace hf {

// True when the bytes are a JPEG, PNG, GIF or uncompressed BMP file whose
// structure stops before its end. Qt's readers for JPEG, GIF and BMP return
// whatever rows they got from a cut-off file, padded with gray, as if the
// file were whole, and its PNG reader does not look past the last row; a
// photo that arrived half is refused instead, like any other file that does
// not decode. Other formats, and files these checks
// cannot judge, count as whole: their readers report the damage themselves.
bool looksTruncated(std::span<const std::uint8_t> file);

// True when a PNG or GIF declares more pixels than its compressed data can
// hold at the best ratio its compression has: such a file is damaged or
// hostile, and is refused before a reader allocates the picture it claims.
// A flat picture, which compresses that far, still passes.
bool declaresMoreThanItHolds(std::span<const std::uint8_t> file);

}  // namespace hf
