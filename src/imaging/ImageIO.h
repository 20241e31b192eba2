#pragma once

#include "Bmp.h"
#include "DecodeStop.h"
#include "LBitmap.h"

#include <QImage>
#include <QStringList>

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace hf {

// The one way in from picture files, for every photo source: any file Qt's
// image readers understand, turned the way its EXIF orientation says, and
// HEIC, AVIF and JPEG XL through our own decoders, turned the way their
// container or codestream says. The file is read only when it is a regular
// file (see readPictureFile). Indexed files keep their palette and the
// smallest depth that holds it, gray files become 8-bit gray, everything
// else 24-bit RGB; transparent parts are laid on white. A file that does
// not decode, stops short, declares more than it holds, or would be larger
// than kMaxPicturePixels gives an empty bitmap.
LBitmap loadBitmap(const std::filesystem::path& path);

// The same for a picture file's bytes already in memory; formatHint is the
// file name's suffix in lower case, or empty.
LBitmap decodePicture(std::span<const std::uint8_t> bytes, const std::string& formatHint = {});

// The picture of a file's bytes, upright, by the same rules and limits,
// scaled down to fit maxSide x maxSide. JPEGs are decoded at a reduced scale
// and HEIC and AVIF files from their own thumbnails where one is large
// enough, so a thumbnail of a large photo never costs the photo's size.
// The stop is asked during the decode (see DecodeStop): a photo store's
// worker gives up a large picture as soon as the user cancels.
LBitmap decodeSmallPicture(std::span<const std::uint8_t> bytes, int maxSide, const DecodeStop& stop = {});

// A baseline JPEG file of the picture (no EXIF, so no orientation tag);
// empty for an empty picture.
std::vector<std::uint8_t> encodeJpeg(const LBitmap& picture, int quality = 90);

// The decoders' process-wide limits, in line with kMaxPicturePixels. The
// decoding functions set them themselves; the program also sets them at
// start-up, before Qt decodes anything on its own (a picture on the
// clipboard).
void setPictureLimits();

// The name patterns ("*.png", "*.heic", ...) of every kind of picture file
// loadBitmap reads: Qt's readers and our own decoders. For the file
// dialog's "Image files" filter.
QStringList readablePictureNamePatterns();

// The picture of a file, read and decoded as loadBitmap does it (never
// blocking on odd files, HEIC, AVIF and JPEG XL included), scaled to fit
// the box: for a preview beside a file dialog's list. Null when the file
// does not load.
QImage previewOf(const std::filesystem::path& path, QSize box);

// The picture of a QImage in our form, by the same rules as loadBitmap
// (the clipboard, scanner and screen hand us QImages). Empty for a null
// image or one over the size limit.
LBitmap fromQImage(const QImage& image);

// For showing a bitmap in a view: Indexed8 with the palette, or RGB888.
QImage toQImage(const LBitmap& bitmap);

}  // namespace hf
