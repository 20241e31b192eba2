#include "CropFrameWidget.h"

#include <QPaintEvent>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <vector>

using hf::CropFrameWidget;
using hf::Rect;

namespace {

constexpr QRgb picture = 0xffc86432;   // (200, 100, 50)
constexpr QRgb inverted = 0xff379bcd;  // (55, 155, 205)
constexpr QRgb black = 0xff000000;
constexpr QRgb white = 0xffffffff;

// Collects the areas the widget is asked to paint.
class PaintWatch : public QObject {
public:
    QRegion painted;
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            painted += static_cast<QPaintEvent*>(event)->region();
            ++paints;
        }
        return false;
    }
};

class CropWidget : public ::testing::Test {
protected:
    void SetUp() override
    {
        widget.resize(240, 240);
        QImage background(200, 150, QImage::Format_RGB32);
        background.fill(picture);
        widget.setBackground(background);
        widget.setBounds({20, 20, 200, 150});
        widget.setFrame({40, 40, 120, 100});
        QObject::connect(&widget, &CropFrameWidget::dragFinished, [this](Rect f) { finished.push_back(f); });
        widget.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&widget));
    }
    void TearDown() override
    {
        // Never leave the test library thinking a button is still down.
        if (QWidget::mouseGrabber())
            QWidget::mouseGrabber()->releaseMouse();
    }

    QWindow* window() { return widget.windowHandle(); }
    void press(QPoint p, Qt::MouseButton button = Qt::LeftButton) { QTest::mousePress(window(), button, {}, p); }
    void moveTo(QPoint p, Qt::KeyboardModifiers mods = {})
    {
        QTest::mouseEvent(QTest::MouseMove, window(), Qt::NoButton, mods, p);
    }
    void release(QPoint p, Qt::MouseButton button = Qt::LeftButton) { QTest::mouseRelease(window(), button, {}, p); }
    Qt::CursorShape cursor() const { return widget.cursor().shape(); }

    CropFrameWidget widget;
    std::vector<Rect> finished;
};

}  // namespace

TEST_F(CropWidget, DragRendersOnceWhenReleased)
{
    press({80, 70});
    EXPECT_EQ(QWidget::mouseGrabber(), &widget);
    moveTo({90, 75});
    moveTo({100, 80});
    EXPECT_EQ(widget.frame(), (Rect{60, 50, 140, 110}));
    EXPECT_TRUE(finished.empty());
    release({100, 80});
    ASSERT_EQ(finished.size(), 1u);
    EXPECT_EQ(finished[0], (Rect{60, 50, 140, 110}));
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);

    moveTo({120, 90});  // hovering afterwards moves nothing
    EXPECT_EQ(widget.frame(), (Rect{60, 50, 140, 110}));
    EXPECT_EQ(finished.size(), 1u);
}

TEST_F(CropWidget, PressAndReleaseWithoutMovingRendersOnce)
{
    press({120, 100});
    release({120, 100});
    ASSERT_EQ(finished.size(), 1u);
    EXPECT_EQ(finished[0], (Rect{40, 40, 120, 100}));
}

TEST_F(CropWidget, PressOutsideOrWithAnotherButtonDoesNothing)
{
    press({180, 180});
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    moveTo({100, 100});
    release({100, 100});

    press({80, 70}, Qt::RightButton);
    moveTo({100, 90});
    release({100, 90}, Qt::RightButton);

    EXPECT_TRUE(finished.empty());
    EXPECT_EQ(widget.frame(), (Rect{40, 40, 120, 100}));
}

TEST_F(CropWidget, HidingDuringADragGivesTheMouseBackWithoutRendering)
{
    press({80, 70});
    moveTo({90, 70});
    widget.hide();
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    EXPECT_EQ(widget.cropFrame().dragMode(), hf::CropFrame::DragMode::None);
    release({90, 70});
    EXPECT_TRUE(finished.empty());
    EXPECT_EQ(widget.frame(), (Rect{50, 40, 130, 100}));
}

TEST_F(CropWidget, CursorShowsWhatAPressWouldDo)
{
    const struct {
        QPoint at;
        Qt::CursorShape shape = Qt::ArrowCursor;
    } cases[] = {
        {{40, 40}, Qt::SizeFDiagCursor},  {{120, 100}, Qt::SizeFDiagCursor}, {{120, 40}, Qt::SizeBDiagCursor},
        {{40, 100}, Qt::SizeBDiagCursor}, {{80, 70}, Qt::SizeAllCursor},     {{180, 180}, Qt::ArrowCursor},
    };
    for (const auto& c : cases) {
        moveTo(c.at);
        EXPECT_EQ(cursor(), c.shape) << c.at.x() << "," << c.at.y();
    }

    // During a drag the cursor stays what it was, wherever the pointer goes;
    // the grab keeps the drag going outside the view.
    press({80, 70});
    moveTo({300, 300});
    EXPECT_EQ(cursor(), Qt::SizeAllCursor);
    EXPECT_EQ(widget.frame(), (Rect{120, 90, 200, 150}));
    release({300, 300});
    EXPECT_EQ(finished.size(), 1u);
}

TEST_F(CropWidget, ShiftFromTheMouseEventSquaresTheFrame)
{
    press({120, 100});
    moveTo({121, 101}, Qt::ShiftModifier);
    EXPECT_EQ(widget.frame(), (Rect{40, 40, 101, 101}));
    moveTo({125, 103});
    EXPECT_EQ(widget.frame(), (Rect{40, 40, 105, 103}));
    release({125, 103});
    ASSERT_EQ(finished.size(), 1u);
}

TEST_F(CropWidget, PaintsPictureInvertedOutlineAndHandles)
{
    QImage shot = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shot.size(), QSize(240, 240));
    EXPECT_EQ(shot.pixel(230, 230), black);  // beyond the picture
    EXPECT_EQ(shot.pixel(210, 10), black);
    EXPECT_EQ(shot.pixel(10, 160), black);
    EXPECT_EQ(shot.pixel(10, 10), picture);
    EXPECT_EQ(shot.pixel(80, 70), picture);  // the frame's inside is not touched
    EXPECT_EQ(shot.pixel(80, 39), picture);
    EXPECT_EQ(shot.pixel(80, 41), picture);
    EXPECT_EQ(shot.pixel(80, 40), inverted);  // top, bottom, left, right of the outline
    EXPECT_EQ(shot.pixel(80, 99), inverted);
    EXPECT_EQ(shot.pixel(40, 70), inverted);
    EXPECT_EQ(shot.pixel(119, 70), inverted);
    EXPECT_EQ(shot.pixel(120, 70), picture);  // right and bottom are exclusive
    EXPECT_EQ(shot.pixel(80, 100), picture);
    // Handles: 10 x 10, black rim, white inside, drawn over the outline.
    for (QPoint corner : {QPoint(40, 40), QPoint(120, 40), QPoint(40, 100), QPoint(120, 100)}) {
        const int x = corner.x(), y = corner.y();
        EXPECT_EQ(shot.pixel(x - 5, y - 5), black) << x << "," << y;
        EXPECT_EQ(shot.pixel(x + 4, y + 4), black) << x << "," << y;
        EXPECT_EQ(shot.pixel(x - 5, y + 2), black) << x << "," << y;
        EXPECT_EQ(shot.pixel(x - 4, y - 4), white) << x << "," << y;
        EXPECT_EQ(shot.pixel(x, y), white) << x << "," << y;
        EXPECT_EQ(shot.pixel(x + 3, y + 3), white) << x << "," << y;
        EXPECT_NE(shot.pixel(x + 5, y + 5), black) << x << "," << y;
    }

    // Over the black area the outline shows white.
    widget.setFrame({150, 120, 230, 200});
    shot = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shot.pixel(180, 120), inverted);
    EXPECT_EQ(shot.pixel(215, 120), white);
    EXPECT_EQ(shot.pixel(215, 199), white);
    EXPECT_EQ(shot.pixel(215, 160), black);
    EXPECT_EQ(shot.pixel(229, 170), white);
}

TEST_F(CropWidget, DragRepaintsOnlyTheOldAndNewFrame)
{
    PaintWatch watch;
    widget.installEventFilter(&watch);
    QCoreApplication::processEvents();
    watch.painted = QRegion();
    watch.paints = 0;

    press({80, 70});
    moveTo({90, 75});  // frame (40, 40, 120, 100) to (50, 45, 130, 105)
    ASSERT_TRUE(QTest::qWaitFor([&] { return watch.paints > 0; }, 2000));
    QCoreApplication::processEvents();
    release({90, 75});

    QRegion allowed;
    for (const Rect& r : {Rect{40, 40, 120, 100}, Rect{50, 45, 130, 105}}) {
        allowed += QRect(r.left, r.top, r.width(), r.height());
        allowed += QRect(r.left - 5, r.top - 5, 10, 10);
        allowed += QRect(r.right - 5, r.top - 5, 10, 10);
        allowed += QRect(r.left - 5, r.bottom - 5, 10, 10);
        allowed += QRect(r.right - 5, r.bottom - 5, 10, 10);
    }
    EXPECT_TRUE(watch.painted.subtracted(allowed).isEmpty());
    EXPECT_TRUE(watch.painted.contains(QPoint(40, 70)));    // old left side
    EXPECT_TRUE(watch.painted.contains(QPoint(129, 70)));   // new right side
    EXPECT_TRUE(watch.painted.contains(QPoint(125, 100)));  // new bottom-right handle

    // A step that the bounds swallow repaints nothing.
    watch.painted = QRegion();
    watch.paints = 0;
    widget.setFrame({20, 20, 100, 80});
    QCoreApplication::processEvents();
    watch.painted = QRegion();
    watch.paints = 0;
    press({60, 60});
    moveTo({50, 50});
    // Whatever the step asked to repaint comes in one paint with this pixel.
    widget.update(0, 0, 1, 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return watch.paints > 0; }, 2000));
    release({50, 50});
    EXPECT_EQ(watch.painted, QRegion(0, 0, 1, 1));
    EXPECT_EQ(finished.size(), 2u);
}
