#include "CropFrame.h"

#include <gtest/gtest.h>

#include <ostream>
#include <random>

namespace hf {
// Readable failure messages.
void PrintTo(const Rect& r, std::ostream* os)
{
    *os << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}
}  // namespace hf

using hf::CropFrame;
using hf::Rect;
using Mode = CropFrame::DragMode;
using Cursor = CropFrame::Cursor;

namespace {

CropFrame frameAt(Rect frame, Rect bounds = {0, 0, 240, 240})
{
    CropFrame crop;
    crop.setBounds(bounds);
    crop.setFrame(frame);
    return crop;
}

// Presses at from, moves to each point in turn, and leaves the button down.
Rect drag(CropFrame& crop, int fromX, int fromY, std::initializer_list<std::pair<int, int>> path, bool shift = false)
{
    EXPECT_TRUE(crop.press(fromX, fromY));
    for (auto [x, y] : path)
        crop.move(x, y, shift);
    return crop.frame();
}

}  // namespace

TEST(CropFrameHitTest, StartsAtItsDefaultsWithHandlesAroundTheCorners)
{
    CropFrame crop;
    EXPECT_EQ(crop.frame(), (Rect{10, 10, 50, 50}));
    EXPECT_EQ(crop.bounds(), (Rect{0, 0, 999, 999}));
    EXPECT_EQ(crop.dragMode(), Mode::None);
    EXPECT_EQ(crop.handles()[CropFrame::TopLeftHandle], (Rect{5, 5, 15, 15}));
    EXPECT_EQ(crop.handles()[CropFrame::TopRightHandle], (Rect{45, 5, 55, 15}));
    EXPECT_EQ(crop.handles()[CropFrame::BottomLeftHandle], (Rect{5, 45, 15, 55}));
    EXPECT_EQ(crop.handles()[CropFrame::BottomRightHandle], (Rect{45, 45, 55, 55}));

    crop.setFrame({100, 120, 130, 125});
    EXPECT_EQ(crop.handles()[CropFrame::BottomLeftHandle], (Rect{95, 120, 105, 130}));
    EXPECT_EQ(crop.area()[0], (Rect{100, 120, 130, 125}));
}

TEST(CropFrameHitTest, HandlesComeBeforeTheInside)
{
    const struct {
        int x, y;
        Mode mode;
    } cases[] = {
        // clang-format off
        {12, 12, Mode::TopLeft},     // a handle's inner quarter lies over the frame
        {47, 12, Mode::TopRight},
        {12, 47, Mode::BottomLeft},
        {47, 47, Mode::BottomRight},
        {5, 5, Mode::TopLeft},       // and its outer part outside it
        {54, 54, Mode::BottomRight},
        {30, 30, Mode::Move},
        {15, 15, Mode::Move},        // right and bottom of a handle are exclusive
        // clang-format on
    };
    for (const auto& c : cases) {
        CropFrame crop;
        EXPECT_TRUE(crop.press(c.x, c.y)) << c.x << "," << c.y;
        EXPECT_EQ(crop.dragMode(), c.mode) << c.x << "," << c.y;
        EXPECT_EQ(crop.lastX(), c.x);
        EXPECT_EQ(crop.lastY(), c.y);
    }
}

TEST(CropFrameHitTest, PressOutsideStartsNothingAndReleaseReportsNoDrag)
{
    CropFrame crop;
    EXPECT_FALSE(crop.press(50, 30));  // the frame's right edge is exclusive
    EXPECT_FALSE(crop.press(55, 55));
    EXPECT_EQ(crop.dragMode(), Mode::None);
    crop.move(80, 80, false);
    EXPECT_EQ(crop.frame(), (Rect{10, 10, 50, 50}));
    EXPECT_FALSE(crop.release());
}

TEST(CropFrameHitTest, PressAndReleaseWithoutMovingStillEndsADragOnce)
{
    CropFrame crop;
    ASSERT_TRUE(crop.press(30, 30));
    EXPECT_TRUE(crop.release());
    EXPECT_EQ(crop.dragMode(), Mode::None);
    EXPECT_FALSE(crop.release());
    crop.move(60, 60, false);  // no longer dragging
    EXPECT_EQ(crop.frame(), (Rect{10, 10, 50, 50}));
}

TEST(CropFrameHitTest, HoverCursorNamesTheDiagonal)
{
    CropFrame crop;
    EXPECT_EQ(crop.hoverCursor(12, 12), Cursor::SizeNWSE);
    EXPECT_EQ(crop.hoverCursor(50, 50), Cursor::SizeNWSE);
    EXPECT_EQ(crop.hoverCursor(50, 10), Cursor::SizeNESW);
    EXPECT_EQ(crop.hoverCursor(10, 50), Cursor::SizeNESW);
    EXPECT_EQ(crop.hoverCursor(30, 30), Cursor::SizeAll);
    EXPECT_EQ(crop.hoverCursor(30, 50), Cursor::Arrow);
    EXPECT_EQ(crop.hoverCursor(0, 0), Cursor::Arrow);
}

TEST(CropFrameHitTest, OverlappingHandlesPressAndHoverInDifferentOrders)
{
    // 6 x 6: all four handles overlap in the middle.
    const Rect small{10, 10, 16, 16};
    const struct {
        int x, y;
        Mode pressed;
        Cursor hover;
    } cases[] = {
        // clang-format off
        {12, 12, Mode::TopLeft, Cursor::SizeNWSE},      // in all four
        {16, 12, Mode::TopRight, Cursor::SizeNWSE},     // top-right and bottom-right
        {12, 16, Mode::BottomLeft, Cursor::SizeNWSE},   // bottom-left and bottom-right
        {8, 12, Mode::TopLeft, Cursor::SizeNWSE},       // top-left and bottom-left
        {18, 18, Mode::BottomRight, Cursor::SizeNWSE},
        {18, 8, Mode::TopRight, Cursor::SizeNESW},
        // clang-format on
    };
    for (const auto& c : cases) {
        CropFrame crop = frameAt(small);
        EXPECT_EQ(crop.hoverCursor(c.x, c.y), c.hover) << c.x << "," << c.y;
        EXPECT_TRUE(crop.press(c.x, c.y));
        EXPECT_EQ(crop.dragMode(), c.pressed) << c.x << "," << c.y;
    }
}

TEST(CropFrameMove, FollowsThePointerAndKeepsItsSize)
{
    CropFrame crop = frameAt({40, 40, 100, 80});
    EXPECT_EQ(drag(crop, 70, 60, {{75, 58}, {90, 70}}), (Rect{60, 50, 120, 90}));
    EXPECT_EQ(crop.dragMode(), Mode::Move);
    EXPECT_TRUE(crop.release());
    EXPECT_EQ(crop.frame(), (Rect{60, 50, 120, 90}));
}

TEST(CropFrameMove, StopsAtEachBoundAndTurnsBackAtOnce)
{
    const Rect bounds{5, 34, 235, 206};
    const Rect start{34, 60, 134, 160};
    const struct {
        int toX = 0, toY = 0;
        Rect stopped;
        int backX = 0, backY = 0;
        Rect turned;
    } cases[] = {
        {-100, 110, {5, 60, 105, 160}, -97, 110, {8, 60, 108, 160}},
        {84, -50, {34, 34, 134, 134}, 84, -48, {34, 36, 134, 136}},
        {400, 110, {135, 60, 235, 160}, 396, 110, {131, 60, 231, 160}},
        {84, 400, {34, 106, 134, 206}, 84, 399, {34, 105, 134, 205}},
        {-100, 400, {5, 106, 105, 206}, -99, 399, {6, 105, 106, 205}},
    };
    for (const auto& c : cases) {
        CropFrame crop = frameAt(start, bounds);
        EXPECT_EQ(drag(crop, 84, 110, {{c.toX, c.toY}}), c.stopped);
        EXPECT_EQ(crop.lastX(), c.toX);
        EXPECT_EQ(crop.lastY(), c.toY);
        crop.move(c.backX, c.backY, false);
        EXPECT_EQ(crop.frame(), c.turned) << "from " << c.toX << "," << c.toY;
    }
}

TEST(CropFrameMove, RightAndBottomBoundsWinForAFrameWiderThanTheBounds)
{
    // A frame left wider than its bounds (set from outside, or by a corner
    // drag) is shifted left edge first, then right edge: the right bound wins.
    CropFrame crop = frameAt({-3, 10, 100, 20}, {0, 0, 100, 100});
    EXPECT_EQ(drag(crop, 50, 15, {{50, 15}}), (Rect{-3, 10, 100, 20}));
    EXPECT_EQ(drag(crop, 50, 15, {{51, 14}}), (Rect{-3, 9, 100, 19}));
}

// One corner drag step: the four rules for each corner.
struct ResizeCase {
    const char* name;
    Rect start;
    int pressX, pressY, toX, toY;
    Rect expected;
};

class CropFrameResize : public ::testing::TestWithParam<ResizeCase> {};

TEST_P(CropFrameResize, AppliesTheRulesOnceInOrder)
{
    const ResizeCase& c = GetParam();
    CropFrame crop = frameAt(c.start, {20, 20, 220, 220});
    EXPECT_EQ(drag(crop, c.pressX, c.pressY, {{c.toX, c.toY}}), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Corners, CropFrameResize,
    ::testing::Values(ResizeCase{"TopLeftFree", {50, 50, 150, 150}, 50, 50, 45, 58, {45, 58, 150, 150}},
                      ResizeCase{"TopLeftA", {50, 50, 150, 150}, 50, 50, 10, 60, {20, 60, 150, 150}},
                      // top would end 7 above min y: held there, left 7 further right
                      ResizeCase{"TopLeftOvershootOfSeven", {50, 30, 150, 150}, 50, 30, 40, 13, {47, 20, 150, 150}},
                      ResizeCase{"TopLeftC", {50, 50, 150, 150}, 50, 50, 170, 60, {150, 60, 150, 150}},
                      // left 2 right of min x, top 5 past bottom: left ends 3 left of min x
                      ResizeCase{"TopLeftDNotRechecked", {30, 50, 100, 60}, 30, 50, 22, 65, {17, 60, 100, 60}},
                      ResizeCase{"TopRightA", {50, 50, 150, 150}, 150, 50, 240, 70, {50, 70, 220, 150}},
                      ResizeCase{"TopRightB", {50, 30, 150, 150}, 150, 30, 160, 16, {50, 20, 156, 150}},
                      ResizeCase{"TopRightC", {50, 50, 150, 150}, 150, 50, 30, 60, {50, 60, 50, 150}},
                      ResizeCase{"TopRightD", {50, 50, 150, 150}, 150, 50, 140, 160, {50, 150, 150, 150}},
                      ResizeCase{"BottomLeftA", {50, 50, 150, 150}, 50, 150, 0, 140, {20, 50, 150, 140}},
                      ResizeCase{"BottomLeftB", {50, 50, 150, 210}, 50, 210, 45, 225, {50, 50, 150, 220}},
                      ResizeCase{"BottomLeftC", {50, 50, 150, 150}, 50, 150, 200, 150, {150, 50, 150, 150}},
                      ResizeCase{"BottomLeftD", {50, 50, 150, 150}, 50, 150, 60, 30, {40, 50, 150, 50}},
                      ResizeCase{"BottomRightA", {50, 50, 150, 150}, 150, 150, 300, 150, {50, 50, 220, 150}},
                      ResizeCase{"BottomRightB", {50, 50, 150, 210}, 150, 210, 150, 230, {50, 50, 140, 220}},
                      ResizeCase{"BottomRightC", {50, 50, 150, 150}, 150, 150, 10, 100, {50, 50, 50, 100}},
                      ResizeCase{"BottomRightD", {50, 50, 150, 150}, 150, 150, 140, 40, {50, 50, 150, 50}},
                      // b clamps, c then stops the corner at the opposite edge, d adds nothing
                      ResizeCase{"TopLeftBThenC", {50, 30, 60, 150}, 50, 30, 55, 0, {60, 20, 60, 150}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CropFrameResizeShift, TopRightMovesOnTheDiagonal)
{
    const struct {
        int dx = 0, dy = 0;
        Rect expected;
    } cases[] = {
        {10, -2, {50, 48, 102, 100}},  // 2 right, 2 up
        {2, -10, {50, 48, 102, 100}},  // 2 right, 2 up
        {10, 2, {50, 52, 98, 100}},    // 2 left, 2 down
        {3, 3, {50, 47, 103, 100}},    // equal parts: the horizontal one decides
    };
    for (const auto& c : cases) {
        CropFrame crop = frameAt({50, 50, 100, 100});
        EXPECT_EQ(drag(crop, 100, 50, {{100 + c.dx, 50 + c.dy}}, true), c.expected) << c.dx << "," << c.dy;
    }
}

TEST(CropFrameResizeShift, BottomLeftMovesOnTheDiagonalToo)
{
    CropFrame crop = frameAt({50, 50, 100, 100});
    EXPECT_EQ(drag(crop, 50, 100, {{40, 103}}, true), (Rect{47, 50, 100, 103}));
    crop.release();
    EXPECT_EQ(drag(crop, 47, 103, {{45, 110}}, true), (Rect{45, 50, 100, 105}));
}

TEST(CropFrameResizeShift, SquaresBySmallerSideKeepingTheOppositeCorner)
{
    struct {
        const char* what = nullptr;
        Rect start;
        int pressX = 0, pressY = 0, toX = 0, toY = 0;
        Rect expected;
    } cases[] = {
        {"100 x 60 bottom-right one down", {20, 20, 120, 80}, 120, 80, 120, 81, {20, 20, 81, 81}},
        {"top-left one up", {20, 20, 120, 80}, 20, 20, 20, 19, {59, 19, 120, 80}},
        // a vertical step on the top-right handle has no diagonal part
        {"top-right straight up", {20, 20, 120, 80}, 120, 20, 120, 19, {20, 20, 80, 80}},
        {"bottom-left sideways, taller frame", {20, 20, 80, 120}, 20, 120, 21, 120, {20, 20, 80, 80}},
        {"top-left, taller frame", {20, 20, 80, 120}, 20, 20, 20, 20, {20, 60, 80, 120}},
    };
    for (const auto& c : cases) {
        CropFrame crop = frameAt(c.start);
        EXPECT_EQ(drag(crop, c.pressX, c.pressY, {{c.toX, c.toY}}, true), c.expected) << c.what;
    }
}

TEST(CropFrameResize, WithoutShiftACornerIsFree)
{
    CropFrame crop = frameAt({50, 50, 100, 100});
    EXPECT_EQ(drag(crop, 100, 50, {{110, 48}}), (Rect{50, 48, 110, 100}));
}

TEST(CropFrameResize, RandomDragsNeverTurnTheFrameInsideOut)
{
    // Long drags of every corner, with and without Shift, through and far
    // past the bounds: width and height stay at zero or more, and a move
    // keeps the size whatever the pointer does.
    std::mt19937 rng(1234);
    std::uniform_int_distribution<int> step(-60, 60);
    const Rect bounds{5, 34, 235, 206};
    for (int round = 0; round < 400; ++round) {
        CropFrame crop = frameAt({34, 34, 206, 206}, bounds);
        const auto& h = crop.handles();
        const int which = round % 5;
        const Rect grip = which == 4 ? Rect{100, 100, 101, 101} : h[static_cast<std::size_t>(which)];
        int x = grip.left + CropFrame::handleHalf * (which < 4);
        int y = grip.top + CropFrame::handleHalf * (which < 4);
        ASSERT_TRUE(crop.press(x, y));
        const bool shift = round % 2 == 1;
        const Rect before = crop.frame();
        for (int i = 0; i < 40; ++i) {
            x += step(rng);
            y += step(rng);
            crop.move(x, y, shift);
            const Rect f = crop.frame();
            ASSERT_GE(f.width(), 0) << "round " << round << " step " << i;
            ASSERT_GE(f.height(), 0) << "round " << round << " step " << i;
            if (crop.dragMode() == Mode::Move) {
                ASSERT_EQ(f.width(), before.width());
                ASSERT_EQ(f.height(), before.height());
                ASSERT_GE(f.left, bounds.left);
                ASSERT_LE(f.bottom, bounds.bottom);
            }
            if (shift && crop.dragMode() != Mode::Move) {
                ASSERT_EQ(f.width(), f.height()) << "round " << round << " step " << i;
            }
            const auto& hs = crop.handles();
            ASSERT_EQ(hs[CropFrame::BottomRightHandle], (Rect{f.right - 5, f.bottom - 5, f.right + 5, f.bottom + 5}));
        }
        EXPECT_TRUE(crop.release());
    }
}

TEST(CropFrameState, BoundsAndFrameAreSetAsGiven)
{
    CropFrame crop;
    crop.setBounds({70, 95, 170, 145});
    EXPECT_EQ(crop.frame(), (Rect{10, 10, 50, 50}));  // not moved into the new bounds
    crop.setFrame({0, 0, 300, 0});                    // nor is a new frame clamped
    EXPECT_EQ(crop.frame(), (Rect{0, 0, 300, 0}));
    EXPECT_EQ(crop.bounds(), (Rect{70, 95, 170, 145}));
}
