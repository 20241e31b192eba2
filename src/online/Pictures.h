#pragma once

// Making the small JPEG files the download writes: thumbnails from a
// camera's embedded EXIF thumbnail where one is there, else from the photo
// decoded at a reduced scale, and the picture itself fitted in its box. The
// results are upright: the EXIF orientation is applied and not written.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace hf::opc {

using Bytes = std::span<const std::uint8_t>;

struct RgbPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;  // rows of RGB triples
};

// What the start of a JPEG file tells: where its EXIF segment ends, so a
// reader that has only the first bytes knows how many more it needs.
struct JpegHead {
    bool jpeg = false;
    std::size_t exifBegin = 0;  // offset of the EXIF payload ("Exif\0\0...")
    std::size_t exifEnd = 0;    // 0: no EXIF segment before the picture data
};
JpegHead inspectJpegHead(Bytes start);

struct ExifFacts {
    int orientation = 1;  // 1 to 8, 1 when absent or unknown
    std::vector<std::uint8_t> thumbnail;  // the embedded JPEG thumbnail, may be empty
};
ExifFacts readExif(Bytes exifPayload);
// The EXIF facts of a whole JPEG file (orientation 1 and no thumbnail when
// it has none).
ExifFacts readExifOfFile(Bytes file);

// Decodes a JPEG at the smallest DCT scale whose longer side still reaches
// minSide (0: full size). nullopt when it is damaged, cut short, not a
// JPEG, or absurdly large.
std::optional<RgbPicture> decodeJpegScaled(Bytes file, int minSide);

// Scales down (never up) so that the longer side is at most maxSide,
// averaging the source pixels each target pixel covers.
RgbPicture fitInside(const RgbPicture& picture, int maxSide);

// Turns a picture stored with an EXIF orientation (1 to 8) upright.
RgbPicture upright(const RgbPicture& picture, int orientation);

// A baseline JFIF file; no EXIF segment, so no orientation tag.
std::vector<std::uint8_t> encodeJpeg(const RgbPicture& picture, int quality = 90);

// The whole road from a full file: decode at reduced scale, fit, upright.
// Files that are not JPEG go through Qt's image readers.
std::optional<RgbPicture> smallUprightPicture(Bytes file, int maxSide);

}  // namespace hf::opc
