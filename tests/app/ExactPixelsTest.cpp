#include "AppTestSupport.h"
#include "ImageIO.h"
#include "PictureEditorDlg.h"

#include <QPainter>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <map>

using namespace hf;
using namespace hf::test;

namespace {

std::map<QRgb, long> colourCounts(const QImage& image)
{
    std::map<QRgb, long> counts;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x)
            ++counts[rgb.pixel(x, y)];
    counts.erase(qRgb(0, 0, 0));  // the views' black surround
    return counts;
}

// The handheld's pixels as the screen shows them, at the device pixel ratio
// this run was started with (QT_SCALE_FACTOR): every picture pixel a square
// of whole device pixels, no colour blended.
class ExactPixels : public ::testing::TestWithParam<std::string>, public WindowFixture {};

TEST_P(ExactPixels, ShowTheHandheldPictureUnfiltered)
{
    QImage photo(640, 480, QImage::Format_RGB32);
    QPainter(&photo).fillRect(photo.rect(), QLinearGradient(0, 0, 640, 480));
    char model[40] = "Palm III";  // four grays
    CPictureEditorDlg editor(profile, boxes.recorded, folderOf("Ann"));
    editor.sourcePicture() = fromQImage(photo);
    editor.setModelBuffer(model);
    editor.initialise();
    QWidget* view = editor.findChild<QWidget*>("1014");
    if (GetParam() == "1006") {
        writeAlbum("Ann", {"Gradient"});
        editor.handheldPicture().Save(folderOf("Ann") / "p0.bmp");
        open();
        view = child<QWidget>("1006");
    }
    // The view at the screen's corner: at ratio 2 the window is wider than the screen.
    view->window()->move(-view->mapTo(view->window(), QPoint(0, 0)));
    view->window()->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view->window()));
    EXPECT_EQ(view->devicePixelRatioF(), qEnvironmentVariable("QT_SCALE_FACTOR", "1").toDouble());
    const QRect client(view->mapTo(view->window(), view->contentsRect().topLeft()), view->contentsRect().size());
    const QImage shown =
        view->screen()
            ->grabWindow(view->window()->winId(), client.x(), client.y(), client.width(), client.height())
            .toImage();

    const std::map<QRgb, long> picture = colourCounts(toQImage(editor.handheldPicture()));
    const std::map<QRgb, long> screen = colourCounts(shown);
    ASSERT_EQ(screen.size(), picture.size()) << "colours on screen that the picture does not have";
    const long square = screen.begin()->second / picture.begin()->second;
    EXPECT_EQ(std::lround(std::sqrt(double(square))) * std::lround(std::sqrt(double(square))), square);
    for (const auto& [colour, count] : picture)
        EXPECT_EQ(screen.count(colour) ? screen.at(colour) : 0, square * count) << std::hex << colour;
}

INSTANTIATE_TEST_SUITE_P(Views, ExactPixels, ::testing::Values("1014", "1006"));

}  // namespace
