#pragma once

#include "Pictures.h"

namespace hf::opc {

// Pictures that are not JPEG (PNG, GIF, BMP, TIFF, WebP, ...) through Qt's
// image readers, turned upright and fitted in maxSide; nothing when Qt
// cannot read the file or it is absurdly large.
std::optional<RgbPicture> decodeOtherFormat(Bytes file, int maxSide);

}  // namespace hf::opc
