#pragma once

#include "LBitmap.h"
#include "Rect.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace hf {

// The handheld's screen, and so every picture file: 160 x 160 pixels.
inline constexpr int kHandheldSize = 160;
// Room left around a picture that has to be reduced to fit the source view.
inline constexpr int kViewMargin = 10;
// The pre-adjustment's argument; see LBitmap::GammaCorrect.
inline constexpr int kPreAdjustment = 100;

// Colour modes as the album and the settings store them.
inline constexpr int kFourGrays = 1;
inline constexpr int kSixteenGrays = 2;
inline constexpr int kColour = 3;

// 0, 100, 200, 255: the handheld's four grays are not evenly spaced.
std::vector<Rgb> fourGrayPalette();
// 17 x i for i = 0 ... 15.
std::vector<Rgb> sixteenGrayPalette();

// What the source view shows and where the crop frame may go, worked out
// once when the editor opens.
struct SourceLayout {
    float scale = 1.0f;  // source pixels to view pixels; the render divides by exactly this value
    std::int32_t offsetX = 0;
    std::int32_t offsetY = 0;
    LBitmap displayed;   // the source reduced by scale
    LBitmap sourceView;  // view-sized, black, with the displayed picture at the offset
    Rect bounds;         // where the displayed picture lies: the frame's limits
    Rect firstFrame;     // the largest square inside the displayed picture, centred in the view
};

SourceLayout layoutSourceView(const LBitmap& source, int viewWidth, int viewHeight);

// The geometry of one render, before any pixel is touched.
struct RenderGeometry {
    Rect crop;               // the frame in source pixels, each side truncated on its own
    Rect clipped;            // crop inside the source
    std::int32_t width = 0;  // the content's size: crop's longer side made 160
    std::int32_t height = 0;
    std::int32_t pasteX = 0;  // where the content sits on the 160 x 160 canvas
    std::int32_t pasteY = 0;
};

// None for a frame without width or height, which has no picture to give.
std::optional<RenderGeometry> renderGeometry(const SourceLayout& layout, Rect frame, int sourceWidth, int sourceHeight);

// Makes the handheld picture from the part of the source under the frame,
// in the colour mode's palette with the contrast applied, and the result
// view's image showing it at its real size. The cost does not depend on the
// source's size: only the pixels that end up in the picture are read.
class Renderer {
public:
    // A frame without width or height keeps the previous pictures.
    void render(const LBitmap& source, const SourceLayout& layout, Rect frame, int colourMode, int contrast,
                int resultWidth, int resultHeight);

    // 160 x 160 after the first successful render; what Save writes.
    const LBitmap& handheldPicture() const { return handheld_; }
    // resultWidth x resultHeight, black, with the handheld picture centred.
    const LBitmap& resultImage() const { return result_; }

private:
    LBitmap handheld_;
    LBitmap result_;
};

// Steps 8 to 11 of a render on content already cut and sized: gray for the
// gray modes, the tone changes, then the colour mode's reduction. Exposed
// for the quality benchmark, which compares with and without the reduction.
void toneAndReduce(LBitmap& content, int colourMode, int contrast);

}  // namespace hf
