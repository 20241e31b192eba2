#pragma once

#include "LBitmap.h"

#include <cstdint>

namespace hf {

// 8-bit luma and chroma planes as a video decoder leaves them. Chroma
// planes are subsampled by 1 << shiftX across and 1 << shiftY down (4:2:0
// is 1, 1); without chroma planes the picture is gray.
struct YCbCrPlanes {
    enum class Matrix { Bt601, Bt709, Bt2020 };
    const std::uint8_t* y = nullptr;
    int yStride = 0;
    const std::uint8_t* cb = nullptr;
    const std::uint8_t* cr = nullptr;
    int chromaStride = 0;
    int shiftX = 0;
    int shiftY = 0;
    Matrix matrix = Matrix::Bt601;
    bool fullRange = true;
};

// Converts the planes into an RGB picture of out's size, each chroma sample
// serving the pixels it covers. Converting here, straight into our bitmap,
// spares a full-size RGB copy of a photo of tens of megapixels.
void convertYCbCr(const YCbCrPlanes& planes, LBitmap& out);

}  // namespace hf
