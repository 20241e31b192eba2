#include "Bmp.h"
#include "ImageIO.h"
#include "TempDir.h"
#include "TestPictures.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <sstream>

namespace fs = std::filesystem;
using namespace hf;
using namespace hf::test;

namespace {

std::uint32_t le32(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t(b[at + 3]) << 24);
}

// The three kinds of picture files the editor writes.
std::vector<LBitmap> handheldLikePictures(int width = 37, int height = 23)
{
    std::vector<LBitmap> out;
    const std::vector<Rgb> four{{0, 0, 0}, {100, 100, 100}, {200, 200, 200}, {255, 255, 255}};
    std::vector<Rgb> sixteen;
    sixteen.reserve(16);
    for (int i = 0; i < 16; ++i)
        sixteen.push_back({std::uint8_t(17 * i), std::uint8_t(17 * i), std::uint8_t(17 * i)});
    LBitmap gray = photo(width, height);
    gray.GrayScale();
    out.push_back(gray);
    out.back().ColorRes(2, DitherMethod::JarvisJudiceNinke, PaletteOption::Fixed, four);
    out.push_back(gray);
    out.back().ColorRes(4, DitherMethod::JarvisJudiceNinke, PaletteOption::Fixed, sixteen);
    out.push_back(photo(width, height));
    out.back().ColorRes(8, DitherMethod::JarvisJudiceNinke, PaletteOption::Optimised);
    return out;
}

TEST(Bmp, HeaderAndFullColourTableDescribeAnEightBitPicture)
{
    // The handheld's picture files are 160 x 160; the odd width checks the
    // row padding. Every file carries all 256 table entries, however few
    // the palette uses, and the unused ones are zero.
    struct Case {
        int width, height;
        std::uint32_t fileSize, imageSize;
    };
    for (const Case& c : {Case{160, 160, 26678, 25600}, Case{37, 23, 1078 + 40 * 23, 40 * 23}}) {
        for (const LBitmap& picture : handheldLikePictures(c.width, c.height)) {
            const std::vector<std::uint8_t> b = encodeBmp(picture);
            const std::size_t used = picture.palette().size();
            SCOPED_TRACE(std::to_string(c.width) + " wide, " + std::to_string(used) + " colours");
            ASSERT_EQ(b.size(), c.fileSize);
            EXPECT_EQ(b[0], 'B');
            EXPECT_EQ(b[1], 'M');
            EXPECT_EQ(le32(b, 2), c.fileSize) << "bfSize";
            EXPECT_EQ(le32(b, 10), 1078u) << "bfOffBits";
            EXPECT_EQ(le32(b, 14), 40u);
            EXPECT_EQ(le32(b, 18), std::uint32_t(c.width));
            EXPECT_EQ(le32(b, 22), std::uint32_t(c.height)) << "positive: bottom-up rows";
            EXPECT_EQ(b[26] | (b[27] << 8), 1);
            EXPECT_EQ(b[28] | (b[29] << 8), 8);
            EXPECT_EQ(le32(b, 30), 0u);
            EXPECT_EQ(le32(b, 34), c.imageSize) << "biSizeImage";
            EXPECT_EQ(le32(b, 46), 256u) << "biClrUsed";
            EXPECT_EQ(le32(b, 50), 0u) << "biClrImportant";
            for (std::size_t i = 0; i < 256; ++i) {
                const std::uint32_t entry = le32(b, 54 + 4 * i);
                if (i < used) {
                    const Rgb p = picture.palette()[i];
                    ASSERT_EQ(entry, std::uint32_t(p.r) << 16 | std::uint32_t(p.g) << 8 | p.b) << i;
                } else {
                    ASSERT_EQ(entry, 0u) << "unused entry " << i;
                }
            }
            // The last row in the file is the top row; rows end in zero padding.
            const std::uint32_t stride = (std::uint32_t(c.width) + 3) & ~3u;
            const std::size_t top = 1078 + stride * std::size_t(c.height - 1);
            EXPECT_EQ(b[top + 5], picture.indexAt(5, 0));
            EXPECT_EQ(b[1078 + 7], picture.indexAt(7, c.height - 1));
            for (std::uint32_t x = std::uint32_t(c.width); x < stride; ++x)
                EXPECT_EQ(b[top + x], 0) << "padding";
        }
    }
    EXPECT_TRUE(encodeBmp(LBitmap()).empty());
}

TEST(Bmp, QtReadsBackWhatWeWrote)
{
    TempDir dir;
    for (const LBitmap& picture : handheldLikePictures()) {
        const fs::path path = dir / ("p" + std::to_string(picture.GetBitsPerPixel()) + ".bmp");
        ASSERT_TRUE(picture.Save(path));
        const QImage read(QString::fromStdString(path.string()));
        ASSERT_FALSE(read.isNull());
        EXPECT_EQ(read.format(), QImage::Format_Indexed8);
        EXPECT_EQ(read.colorCount(), 256);
        ASSERT_EQ(read.width(), picture.GetWidth());
        ASSERT_EQ(read.height(), picture.GetHeight());
        for (int y = 0; y < read.height(); ++y)
            for (int x = 0; x < read.width(); ++x) {
                const Rgb c = picture.colourAt(x, y);
                ASSERT_EQ(read.pixel(x, y), qRgb(c.r, c.g, c.b)) << x << "," << y;
            }
        // Our own reader agrees too: a write-read round trip.
        const LBitmap back = loadBitmap(path);
        ASSERT_TRUE(back.IsAllocated());
        for (int y = 0; y < back.GetHeight(); ++y)
            for (int x = 0; x < back.GetWidth(); ++x)
                ASSERT_EQ(back.colourAt(x, y), picture.colourAt(x, y));
    }
}

std::string run(const std::string& command)
{
    struct Closer {
        void operator()(std::FILE* f) const { ::pclose(f); }
    };
    std::unique_ptr<std::FILE, Closer> pipe(::popen(command.c_str(), "r"));
    std::string out;
    char buffer[4096];
    while (pipe && std::fgets(buffer, sizeof buffer, pipe.get()))
        out += buffer;
    return out;
}

TEST(Bmp, ImageMagickReadsBackWhatWeWrote)
{
    if (std::system("identify -version > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "ImageMagick's identify is not installed";
    TempDir dir;
    for (const LBitmap& picture : handheldLikePictures()) {
        const fs::path path = dir / "picture.bmp";
        ASSERT_TRUE(picture.Save(path));
        // Size and bits per pixel, then every pixel as srgb(r,g,b).
        std::string format = "%w %h %z";
        for (int y = 0; y < picture.GetHeight(); ++y)
            for (int x = 0; x < picture.GetWidth(); ++x)
                format += " %[pixel:p{" + std::to_string(x) + "," + std::to_string(y) + "}]";
        std::istringstream out(run("identify -format '" + format + "' '" + path.string() + "' 2>&1"));
        int w = 0, h = 0, depth = 0;
        out >> w >> h >> depth;
        EXPECT_EQ(w, picture.GetWidth());
        EXPECT_EQ(h, picture.GetHeight());
        EXPECT_EQ(depth, 8);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                std::string pixel;
                out >> pixel;
                const Rgb c = picture.colourAt(x, y);
                const std::string expected =
                    "srgb(" + std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b) + ")";
                const std::string grayForm = "gray(" + std::to_string(c.r) + ")";
                ASSERT_TRUE(pixel == expected || (c.r == c.g && c.g == c.b && pixel == grayForm))
                    << x << "," << y << ": " << pixel << " instead of " << expected;
            }
    }
}

TEST(Bmp, ExclusiveSaveNeverReplacesAFile)
{
    TempDir dir;
    const LBitmap picture = handheldLikePictures()[0];
    const fs::path path = dir / "p0.bmp";
    writeFile(path, "someone else's picture");
    EXPECT_FALSE(saveBmpExclusive(picture, path));
    EXPECT_EQ(readFile(path), "someone else's picture");
    EXPECT_TRUE(saveBmpExclusive(picture, dir / "p1.bmp"));
    EXPECT_EQ(fs::file_size(dir / "p1.bmp"), encodeBmp(picture).size());
    EXPECT_FALSE(saveBmpExclusive(LBitmap(), dir / "p2.bmp"));
    EXPECT_FALSE(fs::exists(dir / "p2.bmp"));
    EXPECT_FALSE(saveBmpExclusive(picture, dir / "no folder" / "p3.bmp"));

    // Plain Save replaces, and leaves nothing beside the file.
    EXPECT_TRUE(picture.Save(path));
    EXPECT_EQ(fs::file_size(path), encodeBmp(picture).size());
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);
}

TEST(Bmp, RgbPicturesAreReducedToEightBits)
{
    const LBitmap rgb = photo(20, 10);
    const std::vector<std::uint8_t> b = encodeBmp(rgb);
    ASSERT_FALSE(b.empty());
    EXPECT_EQ(b[28], 8);
    EXPECT_EQ(b.size(), 1078u + 20 * 10);
}

}  // namespace
