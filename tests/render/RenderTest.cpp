#include "Render.h"

#include <gtest/gtest.h>

#include <set>

using namespace hf;

namespace {

constexpr int kView = 240;  // the editor's source and result views

// Pixel (x, y) says where it came from, and the values vary enough for the
// colour and gray modes to have something to reduce.
LBitmap source(int w, int h)
{
    LBitmap b = LBitmap::rgb(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.setColour(
                x, y,
                {std::uint8_t(40 + x * 200 / w), std::uint8_t(30 + y * 190 / h), std::uint8_t((x * 7 + y * 13) % 256)});
    return b;
}

struct Example {
    int ws, hs;
    float scale;
    Rect bounds, firstFrame, crop;
    int contentW, contentH, pasteX, pasteY;
};

void PrintTo(const Example& e, std::ostream* os)
{
    *os << e.ws << "x" << e.hs;
}

class WorkedExamples : public ::testing::TestWithParam<Example> {};

TEST_P(WorkedExamples, LayoutAndFirstRender)
{
    const Example& e = GetParam();
    const LBitmap src = source(e.ws, e.hs);
    const SourceLayout layout = layoutSourceView(src, kView, kView);
    EXPECT_EQ(layout.scale, e.scale);
    EXPECT_EQ(layout.displayed.GetWidth(), e.bounds.width());
    EXPECT_EQ(layout.displayed.GetHeight(), e.bounds.height());
    EXPECT_EQ(layout.offsetX, e.bounds.left);
    EXPECT_EQ(layout.offsetY, e.bounds.top);
    EXPECT_EQ(layout.bounds, e.bounds);
    EXPECT_EQ(layout.firstFrame, e.firstFrame);

    // The source view: black around the displayed picture, which sits at
    // the offset.
    ASSERT_EQ(layout.sourceView.GetWidth(), kView);
    ASSERT_EQ(layout.sourceView.GetHeight(), kView);
    EXPECT_EQ(layout.sourceView.colourAt(e.bounds.left, e.bounds.top), layout.displayed.colourAt(0, 0));
    EXPECT_EQ(layout.sourceView.colourAt(e.bounds.right - 1, e.bounds.bottom - 1),
              layout.displayed.colourAt(e.bounds.width() - 1, e.bounds.height() - 1));
    if (e.bounds.left > 0) {
        EXPECT_EQ(layout.sourceView.colourAt(e.bounds.left - 1, e.bounds.top), kBlack);
    }
    if (e.bounds.bottom < kView) {
        EXPECT_EQ(layout.sourceView.colourAt(e.bounds.left, e.bounds.bottom), kBlack);
    }

    const auto g = renderGeometry(layout, layout.firstFrame, e.ws, e.hs);
    ASSERT_TRUE(g);
    EXPECT_EQ(g->crop, e.crop);
    EXPECT_EQ(g->width, e.contentW);
    EXPECT_EQ(g->height, e.contentH);
    EXPECT_EQ(g->pasteX, e.pasteX);
    EXPECT_EQ(g->pasteY, e.pasteY);

    // The picture itself: the crop sampled onto the canvas, black outside.
    Renderer renderer;
    renderer.render(src, layout, layout.firstFrame, kColour, 0, kView, kView);
    const LBitmap& pic = renderer.handheldPicture();
    ASSERT_EQ(pic.GetWidth(), kHandheldSize);
    ASSERT_EQ(pic.GetHeight(), kHandheldSize);
    LBitmap expected = src;
    expected.Trim(g->clipped);
    expected.Size(e.contentW, e.contentH);
    int black = 0;
    for (int y = 0; y < kHandheldSize; ++y)
        for (int x = 0; x < kHandheldSize; ++x) {
            const bool inside =
                x >= e.pasteX && x < e.pasteX + e.contentW && y >= e.pasteY && y < e.pasteY + e.contentH;
            if (!inside) {
                ASSERT_EQ(pic.colourAt(x, y), kBlack) << x << "," << y;
                ++black;
            }
        }
    EXPECT_EQ(black, kHandheldSize * kHandheldSize - e.contentW * e.contentH);
    // Colour reduction moves each pixel a little, never far.
    const Rgb want = expected.colourAt(e.contentW / 2, e.contentH / 2);
    const Rgb got = pic.colourAt(e.pasteX + e.contentW / 2, e.pasteY + e.contentH / 2);
    EXPECT_NEAR(got.r, want.r, 24);
    EXPECT_NEAR(got.g, want.g, 24);
}

INSTANTIATE_TEST_SUITE_P(
    Render, WorkedExamples,
    ::testing::Values(
        Example{640, 480, 0.359375f, {5, 34, 235, 206}, {34, 34, 206, 206}, {80, 0, 559, 478}, 160, 159, 0, 0},
        Example{480, 640, 0.359375f, {34, 5, 206, 235}, {34, 34, 206, 206}, {0, 80, 478, 559}, 159, 160, 0, 0},
        Example{1000, 500, 0.23f, {5, 62, 235, 177}, {62, 62, 177, 177}, {247, 0, 747, 499}, 160, 159, 0, 0},
        Example{100, 50, 1.0f, {70, 95, 170, 145}, {95, 95, 145, 145}, {25, 0, 75, 50}, 160, 160, 0, 0},
        Example{240, 240, 1.0f, {0, 0, 240, 240}, {0, 0, 240, 240}, {0, 0, 240, 240}, 160, 160, 0, 0}));

TEST(Render, ScaleIsTheSinglePrecisionValue)
{
    const SourceLayout layout = layoutSourceView(source(1000, 500), kView, kView);
    EXPECT_EQ(double(layout.scale), 0.23000000417232513);
}

TEST(Render, WideCropGetsBlackBandsAboveAndBelow)
{
    const LBitmap src = source(240, 240);
    const SourceLayout layout = layoutSourceView(src, kView, kView);
    const auto g = renderGeometry(layout, {10, 20, 210, 120}, 240, 240);
    ASSERT_TRUE(g);
    EXPECT_EQ(g->width, 160);
    EXPECT_EQ(g->height, 80);
    EXPECT_EQ(g->pasteX, 0);
    EXPECT_EQ(g->pasteY, 40);
    Renderer r;
    r.render(src, layout, {10, 20, 210, 120}, kSixteenGrays, 0, kView, kView);
    EXPECT_EQ(r.handheldPicture().colourAt(80, 39), kBlack);
    EXPECT_EQ(r.handheldPicture().colourAt(80, 120), kBlack);
    EXPECT_NE(r.handheldPicture().colourAt(159, 119), kBlack);
}

TEST(Render, SquareSidesThatLoseAColumn)
{
    // (160 / s) * s in double falls just short of 160 for exactly these
    // sides up to 400.
    SourceLayout layout;  // scale 1, no offset
    std::set<int> short_;
    for (int s = 1; s <= 400; ++s) {
        const auto g = renderGeometry(layout, {0, 0, s, s}, 1000, 1000);
        ASSERT_TRUE(g);
        EXPECT_EQ(g->height, 160);
        if (g->width != 160)
            short_.insert(s);
        if (g->width == 159) {
            EXPECT_EQ(g->pasteX, 0);
        }
    }
    EXPECT_EQ(short_, (std::set<int>{77, 154, 303, 308, 319}));
}

TEST(Render, GrayModesUseOnlyTheirGrays)
{
    const LBitmap src = source(640, 480);
    const SourceLayout layout = layoutSourceView(src, kView, kView);
    Renderer r;
    r.render(src, layout, layout.firstFrame, kFourGrays, 250, kView, kView);
    EXPECT_EQ(r.handheldPicture().GetBitsPerPixel(), 2);
    std::set<int> four;
    for (int y = 0; y < 160; ++y)
        for (int x = 0; x < 160; ++x) {
            const Rgb c = r.handheldPicture().colourAt(x, y);
            ASSERT_TRUE(c.r == c.g && c.g == c.b);
            four.insert(c.r);
        }
    EXPECT_EQ(four, (std::set<int>{0, 100, 200, 255}));

    r.render(src, layout, layout.firstFrame, kSixteenGrays, -300, kView, kView);
    EXPECT_EQ(r.handheldPicture().GetBitsPerPixel(), 4);
    std::set<int> sixteen;
    for (int y = 0; y < 160; ++y)
        for (int x = 0; x < 160; ++x) {
            const Rgb c = r.handheldPicture().colourAt(x, y);
            ASSERT_EQ(c.r % 17, 0);
            ASSERT_TRUE(c.r == c.g && c.g == c.b);
            sixteen.insert(c.r);
        }
    EXPECT_GT(sixteen.size(), 6u);
}

TEST(Render, SwitchingGrayModesChangesOnlyTheReduction)
{
    const LBitmap src = source(800, 600);
    const SourceLayout layout = layoutSourceView(src, kView, kView);
    const Rect frame{40, 60, 190, 150};
    const auto g = renderGeometry(layout, frame, 800, 600);
    ASSERT_TRUE(g);
    Renderer r;
    for (int contrast : {0, 400}) {
        // Both modes start from the same gray content; each must equal that
        // content reduced its own way and placed the same way.
        LBitmap gray = LBitmap::sampledFrom(src, g->clipped, g->width, g->height);
        gray.GrayScale();
        gray.ChangeContrast(contrast);
        for (int mode : {kFourGrays, kSixteenGrays}) {
            LBitmap reduced = gray;
            if (mode == kFourGrays)
                reduced.ColorRes(2, DitherMethod::JarvisJudiceNinke, PaletteOption::Fixed, fourGrayPalette());
            else
                reduced.ColorRes(4, DitherMethod::JarvisJudiceNinke, PaletteOption::Fixed, sixteenGrayPalette());
            r.render(src, layout, frame, mode, contrast, kView, kView);
            const LBitmap& pic = r.handheldPicture();
            for (int y = 0; y < g->height; ++y)
                for (int x = 0; x < g->width; ++x)
                    ASSERT_EQ(pic.colourAt(g->pasteX + x, g->pasteY + y), reduced.colourAt(x, y));
            EXPECT_EQ(pic.colourAt(0, 0), kBlack);
        }
    }
}

TEST(Render, ColourModeKeepsTo256Colours)
{
    // Noise in every channel: far more colours than the palette holds.
    LBitmap src = LBitmap::rgb(500, 400);
    std::uint32_t state = 9;
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 500; ++x) {
            state = state * 1664525u + 1013904223u;
            src.setColour(x, y, {std::uint8_t(state >> 24), std::uint8_t(state >> 16), std::uint8_t(state >> 8)});
        }
    const SourceLayout layout = layoutSourceView(src, kView, kView);
    Renderer r;
    r.render(src, layout, layout.firstFrame, kColour, 0, kView, kView);
    const LBitmap& pic = r.handheldPicture();
    EXPECT_EQ(pic.GetBitsPerPixel(), 8);
    EXPECT_LE(pic.palette().size(), 256u);
    std::set<std::uint32_t> colours;
    for (int y = 0; y < 160; ++y)
        for (int x = 0; x < 160; ++x) {
            const Rgb c = pic.colourAt(x, y);
            colours.insert((std::uint32_t(c.r) << 16) | (std::uint32_t(c.g) << 8) | c.b);
        }
    EXPECT_LE(colours.size(), 256u);
    EXPECT_GT(colours.size(), 128u);
}

TEST(Render, ResultViewCentresThePicture)
{
    const LBitmap src = source(300, 300);
    const SourceLayout layout = layoutSourceView(src, kView, kView);
    Renderer r;
    r.render(src, layout, layout.firstFrame, kColour, 0, kView, kView);
    const LBitmap& view = r.resultImage();
    ASSERT_EQ(view.GetWidth(), kView);
    ASSERT_EQ(view.GetHeight(), kView);
    for (int y = 0; y < 160; y += 7)
        for (int x = 0; x < 160; x += 7)
            ASSERT_EQ(view.colourAt(40 + x, 40 + y), r.handheldPicture().colourAt(x, y));
    EXPECT_EQ(view.colourAt(39, 100), kBlack);
    EXPECT_EQ(view.colourAt(200, 100), kBlack);

    // A view smaller than the picture shows its middle.
    r.render(src, layout, layout.firstFrame, kColour, 0, 100, 100);
    EXPECT_EQ(r.resultImage().GetWidth(), 100);
    EXPECT_EQ(r.resultImage().colourAt(0, 0), r.handheldPicture().colourAt(30, 30));
}

TEST(Render, CollapsedFrameKeepsThePreviousPicture)
{
    const LBitmap src = source(400, 300);
    const SourceLayout layout = layoutSourceView(src, kView, kView);
    Renderer r;
    r.render(src, layout, {100, 100, 100, 150}, kColour, 0, kView, kView);
    EXPECT_FALSE(r.handheldPicture().IsAllocated()) << "nothing rendered yet";
    r.render(src, layout, layout.firstFrame, kFourGrays, 0, kView, kView);
    const LBitmap before = r.handheldPicture();
    const LBitmap beforeView = r.resultImage();
    for (const Rect collapsed : {Rect{100, 100, 100, 150}, Rect{100, 100, 150, 100}, Rect{50, 50, 40, 60}}) {
        r.render(src, layout, collapsed, kColour, 500, kView, kView);
        EXPECT_EQ(r.handheldPicture(), before);
        EXPECT_EQ(r.resultImage(), beforeView);
    }
    EXPECT_FALSE(renderGeometry(layout, {100, 100, 100, 150}, 400, 300));
}

TEST(Render, FrameOffThePictureGivesABlackCanvas)
{
    const LBitmap src = source(400, 300);
    const SourceLayout layout = layoutSourceView(src, kView, kView);
    Renderer r;
    r.render(src, layout, {0, 0, 5, 5}, kColour, 0, kView, kView);  // inside the view's black margin only
    ASSERT_EQ(r.handheldPicture().GetWidth(), kHandheldSize);
    EXPECT_EQ(r.handheldPicture().colourAt(80, 80), kBlack);
}

TEST(Render, IndexedSourcesKeepTheirPalette)
{
    LBitmap src = LBitmap::indexed(320, 200, 4, {{0, 0, 0}, {250, 10, 10}, {10, 250, 10}});
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 320; ++x)
            src.setIndex(x, y, std::uint8_t(x < 160 ? 1 : 2));
    const SourceLayout layout = layoutSourceView(src, kView, kView);
    EXPECT_EQ(layout.sourceView.palette(), src.palette());
    EXPECT_EQ(layout.sourceView.colourAt(layout.offsetX + 2, layout.offsetY + 2), (Rgb{250, 10, 10}));
    Renderer r;
    r.render(src, layout, layout.bounds, kColour, 0, kView, kView);
    // Three colours fit any palette exactly.
    EXPECT_EQ(r.handheldPicture().colourAt(10, 60), (Rgb{250, 10, 10}));
    EXPECT_EQ(r.handheldPicture().colourAt(150, 60), (Rgb{10, 250, 10}));
}

TEST(Render, TinyAndEmptySources)
{
    const SourceLayout none = layoutSourceView(LBitmap(), kView, kView);
    EXPECT_EQ(none.sourceView.GetWidth(), kView);
    Renderer r;
    r.render(LBitmap(), none, {0, 0, 10, 10}, kColour, 0, kView, kView);
    EXPECT_FALSE(r.handheldPicture().IsAllocated());

    const LBitmap dot = source(1, 1);
    const SourceLayout layout = layoutSourceView(dot, kView, kView);
    EXPECT_EQ(layout.firstFrame, (Rect{119, 119, 120, 120}));
    r.render(dot, layout, layout.firstFrame, kSixteenGrays, 0, kView, kView);
    EXPECT_EQ(r.handheldPicture().GetWidth(), kHandheldSize);
    EXPECT_EQ(r.handheldPicture().colourAt(0, 0), r.handheldPicture().colourAt(159, 159)) << "one pixel, enlarged";

    // A very long strip: the short side comes out under one pixel, so the
    // frame has no height and a fresh renderer gives no picture, and no failure.
    const LBitmap strip = source(2000, 3);
    const SourceLayout stripLayout = layoutSourceView(strip, kView, kView);
    EXPECT_EQ(stripLayout.bounds.bottom - stripLayout.bounds.top, 0);
    Renderer fresh;
    fresh.render(strip, stripLayout, stripLayout.bounds, kColour, 0, kView, kView);
    fresh.render(strip, stripLayout, stripLayout.firstFrame, kFourGrays, 0, kView, kView);
    EXPECT_FALSE(fresh.handheldPicture().IsAllocated());
}

}  // namespace
