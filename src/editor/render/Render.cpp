#include "Render.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace hf {
namespace {

// Truncation toward zero that stays defined for any double.
std::int32_t truncated(double v)
{
    constexpr double lo = std::numeric_limits<std::int32_t>::min();
    constexpr double hi = std::numeric_limits<std::int32_t>::max();
    if (std::isnan(v))
        return 0;
    return std::int32_t(std::clamp(v, lo, hi));
}

}  // namespace

std::vector<Rgb> fourGrayPalette()
{
    return {{0, 0, 0}, {100, 100, 100}, {200, 200, 200}, {255, 255, 255}};
}

std::vector<Rgb> sixteenGrayPalette()
{
    std::vector<Rgb> p;
    p.reserve(16);
    for (int i = 0; i < 16; ++i)
        p.push_back({std::uint8_t(17 * i), std::uint8_t(17 * i), std::uint8_t(17 * i)});
    return p;
}

SourceLayout layoutSourceView(const LBitmap& source, int viewWidth, int viewHeight)
{
    SourceLayout layout;
    const int ws = source.GetWidth();
    const int hs = source.GetHeight();
    const int m = std::min(viewWidth, viewHeight);

    // A picture that fits is shown at its own size, without the margin.
    if (ws > m || hs > m)
        layout.scale = float(double(m - kViewMargin) / double(ws > hs ? ws : hs));
    const std::int32_t dw = truncated(double(ws) * double(layout.scale));
    const std::int32_t dh = truncated(double(hs) * double(layout.scale));

    if (dw > 0 && dh > 0)
        layout.displayed = LBitmap::sampledFrom(source, Rect{0, 0, ws, hs}, dw, dh);
    layout.offsetX = (viewWidth - dw) / 2;
    layout.offsetY = (viewHeight - dh) / 2;

    // The view's canvas has the displayed picture's depth and palette, as a
    // copy of it would.
    const LBitmap& like = layout.displayed.IsAllocated() ? layout.displayed : source;
    layout.sourceView = like.isIndexed()
                            ? LBitmap::indexed(viewWidth, viewHeight, like.GetBitsPerPixel(), like.palette())
                            : LBitmap::rgb(viewWidth, viewHeight);
    layout.sourceView.Fill(kBlack);
    layout.sourceView.Combine(layout.displayed, dw, dh, layout.offsetX, layout.offsetY, 0, 0);

    layout.bounds = {layout.offsetX, layout.offsetY, layout.offsetX + dw, layout.offsetY + dh};
    const std::int32_t side = std::min(dw, dh);
    const std::int32_t left = (viewWidth - side) / 2;
    const std::int32_t top = (viewHeight - side) / 2;
    layout.firstFrame = {left, top, left + side, top + side};
    return layout;
}

std::optional<RenderGeometry> renderGeometry(const SourceLayout& layout, Rect frame, int sourceWidth, int sourceHeight)
{
    if (frame.width() <= 0 || frame.height() <= 0)
        return std::nullopt;
    const double scale = layout.scale;
    auto toSource = [scale](std::int32_t v, std::int32_t offset) { return truncated(double(v - offset) / scale); };
    RenderGeometry g{};
    g.crop = {toSource(frame.left, layout.offsetX), toSource(frame.top, layout.offsetY),
              toSource(frame.right, layout.offsetX), toSource(frame.bottom, layout.offsetY)};
    g.clipped = {std::max(g.crop.left, 0), std::max(g.crop.top, 0), std::min(g.crop.right, sourceWidth),
                 std::min(g.crop.bottom, sourceHeight)};

    const double w = double(g.crop.right) - double(g.crop.left);
    const double h = double(g.crop.bottom) - double(g.crop.top);
    if (w <= 0 || h <= 0)
        return std::nullopt;
    // Division first, then the multiplication, both in double: a square of
    // side 77 gives (160 / 77) * 77, just under 160, so 159.
    if (w > h) {
        g.width = kHandheldSize;
        g.height = truncated((double(kHandheldSize) / w) * h);
    } else {
        g.height = kHandheldSize;
        g.width = truncated((double(kHandheldSize) / h) * w);
    }
    g.pasteX = (kHandheldSize - g.width) / 2;
    g.pasteY = (kHandheldSize - g.height) / 2;
    return g;
}

void toneAndReduce(LBitmap& content, int colourMode, int contrast)
{
    if (colourMode != kColour)
        content.GrayScale();
    content.GammaCorrect(kPreAdjustment);
    content.ChangeContrast(contrast);
    switch (colourMode) {
    case kFourGrays:
        content.ColorRes(2, DitherMethod::JarvisJudiceNinke, PaletteOption::Fixed, fourGrayPalette());
        break;
    case kSixteenGrays:
        content.ColorRes(4, DitherMethod::JarvisJudiceNinke, PaletteOption::Fixed, sixteenGrayPalette());
        break;
    case kColour: {
        // Black is kept in the palette: the canvas around the picture is
        // black, and the nearest colour to black in a palette without it can
        // be a visible brown or blue.
        const Rgb black[] = {kBlack};
        content.ColorRes(8, DitherMethod::JarvisJudiceNinke, PaletteOption::Optimised, black);
        break;
    }
    default:
        break;
    }
}

void Renderer::render(const LBitmap& source, const SourceLayout& layout, Rect frame, int colourMode, int contrast,
                      int resultWidth, int resultHeight)
{
    if (!source.IsAllocated())
        return;
    const std::optional<RenderGeometry> g = renderGeometry(layout, frame, source.GetWidth(), source.GetHeight());
    if (!g)
        return;

    // Our bitmaps hold their rows top-down, so the crop takes the rectangle
    // as it is: what lies under the frame on the screen.
    // Cut and size in one pass over the pixels that end up in the picture;
    // the same pixels as trimming a copy of the source and resizing it.
    const bool hasContent = g->clipped.width() > 0 && g->clipped.height() > 0 && g->width > 0 && g->height > 0;
    LBitmap content = hasContent ? LBitmap::sampledFrom(source, g->clipped, g->width, g->height)
                                 : LBitmap::rgb(1, 1);  // only lends the mode's depth and palette
    toneAndReduce(content, colourMode, contrast);

    // The canvas takes the content's depth and palette; black is its entry
    // nearest to black where the palette has no black.
    auto blankLike = [&content](int w, int h) {
        LBitmap b = content.isIndexed() ? LBitmap::indexed(w, h, content.GetBitsPerPixel(), content.palette())
                                        : LBitmap::rgb(w, h);
        b.Fill(kBlack);
        return b;
    };
    handheld_ = blankLike(kHandheldSize, kHandheldSize);
    if (hasContent)
        handheld_.Combine(content, kHandheldSize, kHandheldSize, g->pasteX, g->pasteY, 0, 0);

    result_ = blankLike(resultWidth, resultHeight);
    result_.Combine(handheld_, kHandheldSize, kHandheldSize, (resultWidth - kHandheldSize) / 2,
                    (resultHeight - kHandheldSize) / 2, 0, 0);
}

}  // namespace hf
