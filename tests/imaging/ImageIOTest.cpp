#include "ImageIO.h"
#include "EncodedPictures.h"
#include "JpegDecoder.h"
#include "TempDir.h"
#include "TestPictures.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

namespace fs = std::filesystem;
using namespace hf;
using namespace hf::test;

namespace {

class Loading : public ::testing::Test {
protected:
    LBitmap load(std::string_view name, const std::string& bytes)
    {
        const fs::path path = dir / name;
        writeFile(path, bytes);
        return loadBitmap(path);
    }
    TempDir dir;
};

TEST_F(Loading, ReadsTheCommonFormats)
{
    const QImage image = halves(64, 48);
    for (const char* format : {"png", "bmp", "tiff", "jpg", "webp"}) {
        const LBitmap b = load(std::string("picture.") + format, encoded(image, format, 95));
        ASSERT_TRUE(b.IsAllocated()) << format;
        EXPECT_EQ(b.GetWidth(), 64);
        EXPECT_EQ(b.GetHeight(), 48);
        EXPECT_EQ(b.GetBitsPerPixel(), 24) << format;
        const Rgb red = b.colourAt(8, 20), blue = b.colourAt(56, 20);
        EXPECT_NEAR(red.r, 230, 12) << format;
        EXPECT_NEAR(blue.b, 230, 12) << format;
        EXPECT_NEAR(red.b, 20, 12) << format;
    }
    // The content decides, not the name: files are often misnamed.
    EXPECT_TRUE(load("really-a-png.jpg", encoded(image, "png")).IsAllocated());
    EXPECT_TRUE(load("really-a-jpeg.bmp", encoded(image, "jpg")).IsAllocated());
}

TEST_F(Loading, KeepsTheFilesOwnDepth)
{
    QImage indexed(10, 10, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(9, 9, 9)});
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            indexed.setPixel(x, y, uint((x + y) % 5));
    const LBitmap b = load("indexed.bmp", encoded(indexed, "bmp"));
    ASSERT_TRUE(b.isIndexed());
    EXPECT_LE(b.GetBitsPerPixel(), 8);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            ASSERT_EQ(b.colourAt(x, y),
                      (Rgb{std::uint8_t(qRed(indexed.pixel(x, y))), std::uint8_t(qGreen(indexed.pixel(x, y))),
                           std::uint8_t(qBlue(indexed.pixel(x, y)))}));

    QImage mono(9, 3, QImage::Format_Mono);
    mono.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    mono.fill(1);
    const LBitmap m = load("mono.png", encoded(mono, "png"));
    EXPECT_EQ(m.GetBitsPerPixel(), 1);
    EXPECT_EQ(m.colourAt(8, 2), (Rgb{255, 255, 255}));

    QImage gray(8, 8, QImage::Format_Grayscale8);
    gray.fill(77);
    const LBitmap g = load("gray.jpg", encoded(gray, "jpg", 100));
    EXPECT_EQ(g.GetBitsPerPixel(), 8);
    EXPECT_TRUE(isGrayPalette(g.palette()));
    EXPECT_NEAR(g.colourAt(3, 3).r, 77, 2);
}

TEST_F(Loading, TurnsPicturesAsTheirExifSays)
{
    // An EXIF block with Orientation = 6: the camera was turned a quarter
    // clockwise, so the stored left edge is the picture's top.
    std::string exif("\xFF\xE1\x00\x22"
                     "Exif\0\0"
                     "II\x2A\x00\x08\x00\x00\x00"
                     "\x01\x00"
                     "\x12\x01\x03\x00\x01\x00\x00\x00\x06\x00\x00\x00"
                     "\x00\x00\x00\x00",
                     36);
    std::string jpeg = encoded(halves(40, 20), "jpg", 95);
    jpeg.insert(2, exif);
    const LBitmap b = load("turned.jpg", jpeg);
    ASSERT_TRUE(b.IsAllocated());
    EXPECT_EQ(b.GetWidth(), 20);
    EXPECT_EQ(b.GetHeight(), 40);
    EXPECT_GT(b.colourAt(10, 5).r, 180) << "red on top";
    EXPECT_GT(b.colourAt(10, 35).b, 180) << "blue below";
}

TEST_F(Loading, JpegGivesWhatQtsOwnReaderGives)
{
    // Our JPEG path decodes straight into the bitmap and turns it itself;
    // for every orientation the pixels must be those of Qt's reader.
    QImage quarters(36, 20, QImage::Format_RGB888);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 36; ++x)
            quarters.setPixel(x, y, qRgb(x < 18 ? 230 : 20, y < 10 ? 230 : 20, (x * 7 + y * 3) % 256));
    const std::string jpeg = encoded(quarters, "jpg", 90);
    for (int orientation = 1; orientation <= 8; ++orientation) {
        const std::string bytes = withOrientation(jpeg, orientation);
        const LBitmap ours = load("oriented.jpg", bytes);
        QImageReader reader(QString::fromStdString((dir / "oriented.jpg").string()));
        reader.setAutoTransform(true);
        const LBitmap qt = fromQImage(reader.read());
        ASSERT_TRUE(ours.IsAllocated()) << orientation;
        EXPECT_EQ(ours, qt) << "orientation " << orientation;
        EXPECT_EQ(ours.GetWidth(), orientation >= 5 ? 20 : 36) << orientation;
    }
    QImage gray(30, 10, QImage::Format_Grayscale8);
    for (int x = 0; x < 30; ++x)
        for (int y = 0; y < 10; ++y)
            gray.setPixel(x, y, qRgb(x * 8, x * 8, x * 8));
    const LBitmap ours = load("gray.jpg", encoded(gray, "jpg", 90));
    EXPECT_EQ(ours.GetBitsPerPixel(), 8);
    EXPECT_EQ(ours, fromQImage(QImage(QString::fromStdString((dir / "gray.jpg").string()))));
}

TEST(JpegDecoder, RefusesWhatItCannotDecodeWhole)
{
    if (!haveJpegDecoder())
        GTEST_SKIP() << "built without libjpeg's headers";
    const std::string jpeg = encoded(halves(64, 48), "jpg", 90);
    auto decode = [](const std::string& bytes, LBitmap& out) {
        return decodeJpeg({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}, out);
    };
    LBitmap picture;
    ASSERT_EQ(decode(jpeg, picture), JpegResult::Decoded);
    EXPECT_EQ(picture.GetWidth(), 64);
    for (std::size_t keep : {jpeg.size() - 2, jpeg.size() / 2, std::size_t(100), std::size_t(2)}) {
        LBitmap cut = picture;
        EXPECT_EQ(decode(jpeg.substr(0, keep), cut), JpegResult::Failed) << keep;
        EXPECT_EQ(cut, picture) << "a failure leaves the bitmap alone";
    }
    LBitmap none;
    EXPECT_EQ(decode("not a jpeg at all", none), JpegResult::Failed);
    EXPECT_FALSE(none.IsAllocated());
}

TEST_F(Loading, LaysTransparencyOnWhite)
{
    const std::string gif("GIF89a\x01\x00\x01\x00\x80\x00\x00\x00\x00\x00\xFF\xFF\xFF"
                          "\x21\xF9\x04\x01\x00\x00\x00\x00"
                          "\x2C\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00\x3B",
                          43);
    const LBitmap b = load("clear.gif", gif);
    ASSERT_TRUE(b.IsAllocated());
    EXPECT_EQ(b.colourAt(0, 0), (Rgb{255, 255, 255}));

    QImage half(2, 1, QImage::Format_ARGB32);
    half.setPixel(0, 0, qRgba(0, 0, 0, 128));
    half.setPixel(1, 0, qRgba(10, 20, 30, 255));
    const LBitmap h = fromQImage(half);
    EXPECT_EQ(h.colourAt(0, 0), (Rgb{127, 127, 127}));
    EXPECT_EQ(h.colourAt(1, 0), (Rgb{10, 20, 30}));
}

TEST_F(Loading, RefusesDamagedAndHostileFiles)
{
    const QImage image = halves(120, 90);
    const std::string jpeg = encoded(image, "jpg", 90);
    const std::string png = encoded(image, "png");
    const std::string bmp = encoded(image, "bmp");
    const std::string tiff = encoded(image, "tiff");
    const std::vector<std::pair<std::string, std::string>> files{
        {"jpg", jpeg}, {"png", png}, {"bmp", bmp}, {"tiff", tiff}};
    for (const auto& [name, bytes] : files) {
        ASSERT_TRUE(load("whole." + name, bytes).IsAllocated()) << name;
        for (std::size_t keep : {bytes.size() / 2, bytes.size() - 2, std::size_t(40), std::size_t(4)})
            EXPECT_FALSE(load("cut." + name, bytes.substr(0, keep)).IsAllocated())
                << name << " cut to " << keep << " bytes";
    }
    EXPECT_FALSE(load("huge.png", pngDeclaring(100000, 100000)).IsAllocated());
    EXPECT_FALSE(load("wide.png", pngDeclaring(0x7FFFFFFF, 1)).IsAllocated());
    EXPECT_FALSE(load("over.png", pngDeclaring(12000, 9000)).IsAllocated()) << "108 megapixels";

    std::string bigJpeg = jpeg;
    const std::size_t sof = bigJpeg.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    bigJpeg[sof + 5] = bigJpeg[sof + 6] = bigJpeg[sof + 7] = bigJpeg[sof + 8] = '\xFF';
    EXPECT_FALSE(load("huge.jpg", bigJpeg).IsAllocated()) << "65535 x 65535";

    std::string bigBmp = bmp;
    bigBmp[18] = bigBmp[22] = '\x00';
    bigBmp[19] = bigBmp[23] = '\x00';
    bigBmp[20] = bigBmp[24] = '\x01';  // 65536 x 65536
    EXPECT_FALSE(load("huge.bmp", bigBmp).IsAllocated());

    EXPECT_FALSE(load("empty.png", "").IsAllocated());
    EXPECT_FALSE(load("text.jpg", "this is not a picture").IsAllocated());
    EXPECT_FALSE(loadBitmap(dir / "missing.png").IsAllocated());
    EXPECT_FALSE(loadBitmap(dir.path()).IsAllocated()) << "a folder";
}

TEST_F(Loading, SurvivesScrambledFiles)
{
    // Bytes changed at random places: whatever the readers make of it, the
    // result is empty or a picture of sane size, and nothing breaks.
    const QImage image = toQImage(photo(48, 40));
    // A 4 x 4 GIF, left half black, right half white; Qt has no GIF writer.
    const std::string gif("GIF89a\x04\x00\x04\x00\x80\x00\x00\x00\x00\x00\xFF\xFF\xFF"
                          "\x2C\x00\x00\x00\x00\x04\x00\x04\x00\x00\x02\x06\x04\x12\x86\x9A\x17\x05\x00\x3B",
                          39);
    const LBitmap board = load("halves.gif", gif);
    ASSERT_EQ(board.colourAt(1, 3), kBlack);
    ASSERT_EQ(board.colourAt(2, 0), (Rgb{255, 255, 255}));
    std::mt19937 random(11);
    for (const char* format : {"jpg", "png", "bmp", "gif", "tiff", "webp"}) {
        const std::string bytes = format == std::string("gif") ? gif : encoded(image, format, 80);
        for (int round = 0; round < 40; ++round) {
            std::string damaged = bytes;
            const int changes = 1 + int(random() % 6);
            for (int i = 0; i < changes; ++i)
                damaged[random() % damaged.size()] = char(random());
            const LBitmap b = load(std::string("scrambled.") + format, damaged);
            if (b.IsAllocated()) {
                EXPECT_LE(std::int64_t(b.GetWidth()) * b.GetHeight(), kMaxPicturePixels);
                EXPECT_GE(b.GetBitsPerPixel(), 1);
            }
        }
    }
}

TEST(QImages, RoundTripThroughOurForm)
{
    const LBitmap rgb = photo(33, 21);
    EXPECT_EQ(fromQImage(toQImage(rgb)), rgb);

    LBitmap indexed = LBitmap::indexed(5, 4, 4, {{1, 2, 3}, {200, 100, 0}, {0, 0, 255}});
    indexed.setIndex(4, 3, 2);
    const QImage shown = toQImage(indexed);
    EXPECT_EQ(shown.format(), QImage::Format_Indexed8);
    EXPECT_EQ(shown.pixel(4, 3), qRgb(0, 0, 255));
    const LBitmap back = fromQImage(shown);
    EXPECT_EQ(back.palette(), indexed.palette());
    EXPECT_EQ(back.colourAt(4, 3), (Rgb{0, 0, 255}));
    EXPECT_EQ(back.GetBitsPerPixel(), 2) << "three entries need two bits";

    EXPECT_FALSE(fromQImage(QImage()).IsAllocated());
    EXPECT_TRUE(toQImage(LBitmap()).isNull());
    QImage deep(3, 3, QImage::Format_Grayscale16);
    deep.fill(Qt::white);
    EXPECT_EQ(fromQImage(deep).colourAt(1, 1), (Rgb{255, 255, 255}));
}

}  // namespace
