#pragma once

// What the start of a JPEG file in a photo store tells: where its EXIF
// segment ends, its orientation and a camera's embedded thumbnail, so that
// a roll's thumbnails cost a few kilobytes of each photo. The pictures
// themselves are decoded, fitted and written by the imaging layer.

#include "LBitmap.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace hf::opc {

using Bytes = std::span<const std::uint8_t>;

// What the start of a JPEG file tells: where its EXIF segment ends, so a
// reader that has only the first bytes knows how many more it needs.
struct JpegHead {
    bool jpeg = false;
    std::size_t exifBegin = 0;  // offset of the EXIF payload ("Exif\0\0...")
    std::size_t exifEnd = 0;    // 0: no EXIF segment before the picture data
};
JpegHead inspectJpegHead(Bytes start);

struct ExifFacts {
    int orientation = 1;                  // 1 to 8, 1 when absent or unknown
    std::vector<std::uint8_t> thumbnail;  // the embedded JPEG thumbnail, may be empty
};
ExifFacts readExif(Bytes exifPayload);
// The EXIF facts of a whole JPEG file (orientation 1 and no thumbnail when
// it has none).
ExifFacts readExifOfFile(Bytes file);

// The thumbnail a camera embedded in a photo's EXIF segment, upright and
// fitted in maxSide; empty when there is none or it does not decode.
LBitmap exifThumbnail(const ExifFacts& facts, int maxSide);

}  // namespace hf::opc
