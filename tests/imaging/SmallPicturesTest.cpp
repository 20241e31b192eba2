// Small upright pictures of large ones, as a photo store's thumbnails and
// downloads need them.
#include "EncodedPictures.h"
#include "HeifWriter.h"
#include "ImageIO.h"
#include "TestPictures.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QPainter>

#include <gtest/gtest.h>

#include <cstdlib>

using namespace hf;

namespace {

// Four quadrants of clearly different colours, so that every turn shows.
const QColor kQuadrants[4] = {Qt::red, Qt::green, Qt::blue, Qt::yellow};

std::vector<std::uint8_t> quadrantJpeg(QImageIOHandler::Transformations turn)
{
    QImage image(128, 64, QImage::Format_RGB32);
    QPainter p(&image);
    for (int q = 0; q < 4; ++q)
        p.fillRect(q % 2 * 64, q / 2 * 32, 64, 32, kQuadrants[q]);
    p.end();
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpg");
    writer.setTransformation(turn);  // written as the EXIF orientation tag
    EXPECT_TRUE(writer.write(image));
    const QByteArray& bytes = buffer.data();
    return {bytes.begin(), bytes.end()};
}

bool near(Rgb a, Rgb b)
{
    return std::abs(a.r - b.r) < 40 && std::abs(a.g - b.g) < 40 && std::abs(a.b - b.b) < 40;
}

// The colours at the centres of the picture's four quadrants.
std::vector<Rgb> quadrantsOf(const LBitmap& b)
{
    std::vector<Rgb> out;
    out.reserve(4);
    for (int q = 0; q < 4; ++q)
        out.push_back(b.colourAt((2 * (q % 2) + 1) * b.GetWidth() / 4, (2 * (q / 2) + 1) * b.GetHeight() / 4));
    return out;
}

class ExifTurns : public ::testing::TestWithParam<int> {};

// Qt's reader turns a JPEG by its tag; our table must turn the same way,
// both for whole pictures and for the small ones decoded at a reduced scale.
TEST_P(ExifTurns, MatchWhatTheReaderDoesAtEveryScale)
{
    const int tag = GetParam();
    static const QImageIOHandler::Transformations kByTag[9] = {{},
                                                               QImageIOHandler::TransformationNone,
                                                               QImageIOHandler::TransformationMirror,
                                                               QImageIOHandler::TransformationRotate180,
                                                               QImageIOHandler::TransformationFlip,
                                                               QImageIOHandler::TransformationFlipAndRotate90,
                                                               QImageIOHandler::TransformationRotate90,
                                                               QImageIOHandler::TransformationMirrorAndRotate90,
                                                               QImageIOHandler::TransformationRotate270};
    const LBitmap stored = decodePicture(quadrantJpeg(QImageIOHandler::TransformationNone));
    const LBitmap expected = decodePicture(quadrantJpeg(kByTag[tag]));
    const LBitmap ours = oriented(stored, exifOrientation(tag));
    ASSERT_EQ(ours.GetWidth(), expected.GetWidth());
    ASSERT_EQ(ours.GetHeight(), expected.GetHeight());
    const LBitmap small = decodeSmallPicture(quadrantJpeg(kByTag[tag]), 16);
    EXPECT_EQ(std::max(small.GetWidth(), small.GetHeight()), 16);
    EXPECT_EQ(small.GetWidth() > small.GetHeight(), expected.GetWidth() > expected.GetHeight());
    const std::vector<Rgb> want = quadrantsOf(expected);
    for (const LBitmap* b : {&ours, &small}) {
        const std::vector<Rgb> got = quadrantsOf(*b);
        for (int q = 0; q < 4; ++q)
            EXPECT_TRUE(near(got[std::size_t(q)], want[std::size_t(q)])) << "quadrant " << q;
    }
}

INSTANTIATE_TEST_SUITE_P(Tags, ExifTurns, ::testing::Range(1, 9));

struct FitCase {
    int width, height, maxSide, fittedWidth, fittedHeight;
};

class Fitting : public ::testing::TestWithParam<FitCase> {};

// Sizes keep their proportions, rounded, never below one pixel; the fitted
// pixels average what they cover (a black-and-white stripe pattern gives
// its mean gray).
TEST_P(Fitting, KeepsProportionsAndAveragesThePixelsCovered)
{
    const FitCase& t = GetParam();
    LBitmap stripes = LBitmap::rgb(t.width, t.height);
    for (int y = 0; y < t.height; ++y)
        for (int x = 0; x < t.width; x += 2)
            stripes.setColour(x, y, {255, 255, 255});
    const LBitmap fitted = fittedInside(stripes, t.maxSide);
    ASSERT_EQ(fitted.GetWidth(), t.fittedWidth);
    ASSERT_EQ(fitted.GetHeight(), t.fittedHeight);
    if (fitted.GetWidth() == t.width)
        return;
    const Rgb middle = fitted.colourAt(fitted.GetWidth() / 2, fitted.GetHeight() / 2);
    EXPECT_NEAR(middle.r, 128, 8);
    EXPECT_EQ(middle.r, middle.b);
}

INSTANTIATE_TEST_SUITE_P(Sizes, Fitting,
                         ::testing::Values(FitCase{4000, 3000, 96, 96, 72}, FitCase{3000, 4000, 400, 300, 400},
                                           FitCase{5000, 10, 96, 96, 1}, FitCase{80, 60, 96, 80, 60},
                                           FitCase{96, 96, 96, 96, 96}));

TEST(SmallPictures, GrayStaysGrayAndAJpegOfItDecodesBack)
{
    LBitmap gray = LBitmap::indexed(300, 200, 8, grayPalette());
    gray.Fill({90, 90, 90});
    const LBitmap fitted = fittedInside(gray, 30);
    EXPECT_TRUE(fitted.isIndexed());
    EXPECT_EQ(fitted.GetWidth(), 30);
    const LBitmap back = decodePicture(encodeJpeg(fitted));
    ASSERT_TRUE(back.IsAllocated());
    EXPECT_TRUE(near(back.colourAt(5, 5), {90, 90, 90}));
    EXPECT_TRUE(encodeJpeg(LBitmap{}).empty());
}

// A stop asked during a long decode ends it there: never stopped, the
// picture comes whole after many questions; stopped half-way, it is empty
// after a few more.
TEST(SmallPictures, StopIsAskedDuringTheDecodeAndEndsIt)
{
    const LBitmap picture = test::photo(640, 480);
    const std::pair<std::string, int> files[] = {{test::encoded(toQImage(picture), "jpg"), 10},
                                                 {test::encoded(toQImage(picture), "png"), 10},
                                                 {test::heifOf(picture, {}), 4}};  // asked between its stages only
    for (const auto& [file, least] : files) {
        const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(file.data()), file.size());
        int whole = 0, asked = 0;
        EXPECT_TRUE(decodeSmallPicture(bytes, 400, [&] { return ++whole < 0; }).IsAllocated());
        EXPECT_GE(whole, least);
        EXPECT_FALSE(decodeSmallPicture(bytes, 400, [&] { return ++asked > whole / 2; }).IsAllocated());
        EXPECT_LE(asked, whole / 2 + 3);
    }
}

}  // namespace
