#include "EncodedPictures.h"
#include "HeifWriter.h"
#include "ImageIO.h"
#include "TempDir.h"
#include "TestPictures.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <sys/stat.h>

namespace fs = std::filesystem;
using namespace hf;
using namespace hf::test;

namespace {

bool haveTool(const std::string& name)
{
    return std::system(("command -v " + name + " > /dev/null 2>&1").c_str()) == 0;
}

bool run(const std::string& command)
{
    return std::system((command + " > /dev/null 2>&1").c_str()) == 0;
}

// Four colours in the four quarters, so every turn and mirror shows.
LBitmap quadrants(int w, int h)
{
    LBitmap p = LBitmap::rgb(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p.setColour(x, y,
                        x < w / 2 ? (y < h / 2 ? Rgb{220, 30, 30} : Rgb{40, 40, 220})
                                  : (y < h / 2 ? Rgb{30, 200, 40} : Rgb{235, 235, 235}));
    return p;
}

// The turn each EXIF orientation number stands for.
Orientation exifTurn(int n)
{
    constexpr Orientation turns[] = {{},
                                     {},
                                     {true, false, false},
                                     {true, true, false},
                                     {false, true, false},
                                     {false, true, true},
                                     {false, false, true},
                                     {true, false, true},
                                     {true, true, true}};
    return turns[n];
}

// Each quarter's middle has the colour it has in the expected picture.
void expectQuartersLike(const LBitmap& b, const LBitmap& expected, const std::string& what)
{
    ASSERT_TRUE(b.IsAllocated()) << what;
    ASSERT_EQ(b.GetWidth(), expected.GetWidth()) << what;
    ASSERT_EQ(b.GetHeight(), expected.GetHeight()) << what;
    for (int qy : {1, 3})
        for (int qx : {1, 3}) {
            const int x = b.GetWidth() * qx / 4, y = b.GetHeight() * qy / 4;
            const Rgb got = b.colourAt(x, y), want = expected.colourAt(x, y);
            EXPECT_NEAR(got.r, want.r, 30) << what << " at " << x << "," << y;
            EXPECT_NEAR(got.g, want.g, 30) << what << " at " << x << "," << y;
            EXPECT_NEAR(got.b, want.b, 30) << what << " at " << x << "," << y;
        }
}

double meanBrightness(const LBitmap& b)
{
    double sum = 0;
    for (int y = 0; y < b.GetHeight(); ++y)
        for (int x = 0; x < b.GetWidth(); ++x)
            sum += grayOf(b.colourAt(x, y));
    return sum / (double(b.GetWidth()) * b.GetHeight());
}

class PhoneFormats : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!haveTool("heif-enc") || !haveTool("cjxl"))
            GTEST_SKIP() << "heif-enc or cjxl is not installed";
    }
    fs::path save(const std::string& name, const std::string& bytes)
    {
        writeFile(dir / name, bytes);
        return dir / name;
    }
    TempDir dir;
};

TEST_F(PhoneFormats, DecodeCloseToTheirSourceAndRefuseCutOrDamagedFiles)
{
    const LBitmap source = photo(96, 64);
    const fs::path png = save("source.png", encoded(toQImage(source), "png"));
    QImage clear = toQImage(source).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < clear.height(); ++y)
        for (int x = 0; x < 48; ++x)
            clear.setPixel(x, y, qRgba(0, 0, 0, 0));
    const fs::path clearPng = save("clear.png", encoded(clear, "png"));
    struct Case {
        const char* name;
        std::string command;  // {in} and {out} stand for the files
        bool transparent;
        double mostError;  // mean squared error per channel
    };
    const std::vector<Case> cases{
        {"photo.heic", "heif-enc -q 90 {in} -o {out}", false, 80},
        {"photo.avif", "heif-enc -q 90 {in} -o {out}", false, 80},
        {"photo.jxl", "cjxl {in} {out} -d 1", false, 40},
        {"lossless.jxl", "cjxl {in} {out} -d 0", false, 0},
        {"clear.heic", "heif-enc -q 90 {in} -o {out}", true, 60},
        {"clear.avif", "heif-enc -q 90 {in} -o {out}", true, 60},
        {"clear.jxl", "cjxl {in} {out} -d 1", true, 60},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string command = c.command;
        command.replace(command.find("{in}"), 4, (c.transparent ? clearPng : png).string());
        command.replace(command.find("{out}"), 5, (dir / c.name).string());
        ASSERT_TRUE(run(command)) << command;
        const LBitmap b = loadBitmap(dir / c.name);
        ASSERT_TRUE(b.IsAllocated());
        ASSERT_EQ(b.GetWidth(), 96);
        ASSERT_EQ(b.GetHeight(), 64);
        EXPECT_EQ(b.GetBitsPerPixel(), 24);
        LBitmap expected = source;
        if (c.transparent)
            for (int y = 0; y < 64; ++y)
                for (int x = 0; x < 48; ++x)
                    expected.setColour(x, y, {255, 255, 255});
        EXPECT_LE(meanSquaredError(b, expected), c.mostError);
        const std::string bytes = readFile(dir / c.name);

        // Bytes changed at random places: whatever the decoder makes of
        // them, the result is empty or a sane picture.
        std::mt19937 random(7);
        for (int round = 0; round < 20; ++round) {
            std::string scrambled = bytes;
            for (int i = 0; i < 1 + int(random() % 4); ++i)
                scrambled[random() % scrambled.size()] = char(random());
            const LBitmap s = loadBitmap(save(std::string("scrambled.") + c.name, scrambled));
            if (s.IsAllocated()) {
                EXPECT_LE(std::int64_t(s.GetWidth()) * s.GetHeight(), kMaxPicturePixels);
            }
        }
        std::string damaged = bytes;
        for (std::size_t i = 12; i < 40; ++i)
            damaged[i] = char(0xA5);
        for (const auto& [what, broken] :
             {std::pair{"half", bytes.substr(0, bytes.size() / 2)},
              std::pair{"all but 8 bytes", bytes.substr(0, bytes.size() - 8)}, std::pair{"damaged header", damaged}})
            EXPECT_FALSE(loadBitmap(save(std::string("broken.") + c.name, broken)).IsAllocated()) << what;
    }

    // A gray JPEG XL stays gray, like a gray JPEG.
    LBitmap gray = source;
    gray.GrayScale();
    const fs::path grayPng = save("gray.png", encoded(toQImage(gray), "png"));
    ASSERT_TRUE(run("cjxl " + grayPng.string() + " " + (dir / "gray.jxl").string() + " -d 0"));
    EXPECT_EQ(loadBitmap(dir / "gray.jxl"), gray);
}

TEST_F(PhoneFormats, ColoursFollowTheMatrixAndRangeTheFileDeclares)
{
    // We turn the decoder's YCbCr planes into RGB ourselves: whatever matrix
    // and range the file's colour box gives, the colours are the source's
    // and agree with libheif's own conversion to RGB.
    const LBitmap source = photo(96, 64);
    struct Case {
        int matrix;
        bool fullRange;
    };
    for (const auto codec : {HeifMaking::Codec::Hevc, HeifMaking::Codec::Av1})
        for (const Case& c : {Case{6, true}, Case{6, false}, Case{1, true}, Case{1, false}, Case{9, false}}) {
            const std::string what = std::string(codec == HeifMaking::Codec::Av1 ? "AVIF" : "HEIC") + " matrix " +
                                     std::to_string(c.matrix) + (c.fullRange ? " full range" : " video range");
            HeifMaking making;
            making.codec = codec;
            making.matrix = c.matrix;
            making.fullRange = c.fullRange;
            const std::string file = heifOf(source, making);
            const LBitmap ours = loadBitmap(save("colours.heic", file));
            ASSERT_TRUE(ours.IsAllocated()) << what;
            EXPECT_LE(meanSquaredError(ours, source), 70) << what;
            const LBitmap reference = libheifRgb(file);
            ASSERT_EQ(ours.GetWidth(), reference.GetWidth()) << what;
            int worst = 0;
            for (int y = 0; y < ours.GetHeight(); ++y)
                for (int x = 0; x < ours.GetWidth(); ++x) {
                    const Rgb p = ours.colourAt(x, y), q = reference.colourAt(x, y);
                    worst = std::max({worst, std::abs(p.r - q.r), std::abs(p.g - q.g), std::abs(p.b - q.b)});
                }
            EXPECT_LE(worst, 3) << what;
        }
}

TEST_F(PhoneFormats, FileDialogFilterAndPreviewTakeThem)
{
    const QStringList patterns = readablePictureNamePatterns();
    for (const char* pattern : {"*.heic", "*.heif", "*.avif", "*.jxl", "*.jpg", "*.png", "*.bmp"})
        EXPECT_TRUE(patterns.contains(QLatin1String(pattern))) << pattern;

    // A phone's photo carries a small thumbnail; the preview takes it when
    // it is large enough for the box, the whole picture otherwise. (Here
    // the thumbnail differs from the photo, to tell them apart.)
    const LBitmap thumbnail = quadrants(96, 64);  // stored as 48 x 32
    HeifMaking withThumbnail;
    withThumbnail.thumbnail = &thumbnail;
    LBitmap gray = LBitmap::rgb(192, 128);
    gray.Fill({128, 128, 128});
    const fs::path heic = save("photo.heic", heifOf(gray, withThumbnail));
    for (const auto& [box, fromThumbnail] : {std::pair{QSize(40, 40), true}, std::pair{QSize(180, 180), false}}) {
        const QImage preview = previewOf(heic, box);
        EXPECT_EQ(preview.width(), box.width());
        EXPECT_EQ(preview.height(), box.width() * 2 / 3);
        const QRgb topLeft = preview.pixel(preview.width() / 4, preview.height() / 4);
        EXPECT_EQ(qRed(topLeft) > 180 && qGreen(topLeft) < 80, fromThumbnail) << box.width();
    }
    EXPECT_FALSE(loadBitmap(heic) == thumbnail) << "the picture itself is the photo";
    ASSERT_EQ(::mkfifo((dir / "pipe.heic").c_str(), 0600), 0);
    EXPECT_TRUE(previewOf(dir / "pipe.heic", QSize(180, 180)).isNull()) << "and it did not block";
}

TEST_F(PhoneFormats, StandTheWayThePhoneShowedThem)
{
    // 64 x 32 stored; the container's orientation turns it, an EXIF block
    // inside a HEIF file does not (the phone already turned by the container).
    const LBitmap source = quadrants(64, 32);
    for (const auto codec : {HeifMaking::Codec::Hevc, HeifMaking::Codec::Av1})
        for (int n = 1; n <= 8; ++n) {
            const std::string what =
                std::string(codec == HeifMaking::Codec::Av1 ? "AVIF" : "HEIC") + " orientation " + std::to_string(n);
            HeifMaking making;
            making.codec = codec;
            making.orientation = n;
            const std::string file = heifOf(source, making);
            ASSERT_FALSE(file.empty()) << what;
            expectQuartersLike(loadBitmap(save("turned.heic", file)), oriented(source, exifTurn(n)), what);
        }
    HeifMaking withExif;
    withExif.exifOrientation = 6;
    expectQuartersLike(loadBitmap(save("exif.heic", heifOf(source, withExif))), source, "EXIF inside HEIC");

    // JPEG XL keeps a JPEG's EXIF turn in its codestream.
    const std::string jpeg = withOrientation(encoded(toQImage(source), "jpg", 95), 6);
    const fs::path jpegPath = save("turned.jpg", jpeg);
    ASSERT_TRUE(run("cjxl " + jpegPath.string() + " " + (dir / "turned.jxl").string()));
    expectQuartersLike(loadBitmap(dir / "turned.jxl"), oriented(source, exifTurn(6)), "JPEG XL from a turned JPEG");
}

// A 16-bit PNG of the picture in the transfer, made into JPEG XL by cjxl
// with the matching colour description.
std::string deepJxl(const LBitmap& source, HeifMaking::Transfer transfer, const fs::path& dir)
{
    QImage deep(source.GetWidth(), source.GetHeight(), QImage::Format_RGBX64);
    for (int y = 0; y < deep.height(); ++y)
        for (int x = 0; x < deep.width(); ++x) {
            const Rgb c = source.colourAt(x, y);
            deep.setPixelColor(x, y,
                               QColor::fromRgba64(quint16(deepCode(c.r, transfer, 16)),
                                                  quint16(deepCode(c.g, transfer, 16)),
                                                  quint16(deepCode(c.b, transfer, 16))));
        }
    const fs::path png = dir / "deep.png", jxl = dir / "deep.jxl";
    writeFile(png, encoded(deep, "png"));
    const char* space = transfer == HeifMaking::Transfer::Pq    ? " -x color_space=RGB_D65_SRG_Rel_PeQ"
                        : transfer == HeifMaking::Transfer::Hlg ? " -x color_space=RGB_D65_SRG_Rel_HLG"
                                                                : "";
    if (!run("cjxl " + png.string() + " " + jxl.string() + " -d 0" + space))
        return {};
    return readFile(jxl);
}

TEST_F(PhoneFormats, DeepAndHdrPicturesKeepTheirBrightness)
{
    const LBitmap source = photo(64, 48);
    const double sourceMean = meanBrightness(source);
    enum class Kind { Heic, Avif, Jxl };
    for (const Kind kind : {Kind::Heic, Kind::Avif, Kind::Jxl})
        for (const auto& [transfer, name] :
             {std::pair{HeifMaking::Transfer::Srgb, "plain"}, std::pair{HeifMaking::Transfer::Pq, "PQ"},
              std::pair{HeifMaking::Transfer::Hlg, "HLG"}}) {
            // Debian's AV1 encoder aborts on 10-bit pictures; 12 bits work.
            HeifMaking making;
            making.codec = kind == Kind::Avif ? HeifMaking::Codec::Av1 : HeifMaking::Codec::Hevc;
            making.bits = kind == Kind::Avif ? 12 : 10;
            making.transfer = transfer;
            const std::string what = std::string(kind == Kind::Heic   ? "HEIC 10-bit "
                                                 : kind == Kind::Avif ? "AVIF 12-bit "
                                                                      : "JPEG XL 16-bit ") +
                                     name;
            const std::string file = kind == Kind::Jxl ? deepJxl(source, transfer, dir.path()) : heifOf(source, making);
            ASSERT_FALSE(file.empty()) << what;
            const LBitmap b = loadBitmap(save("deep.picture", file));
            ASSERT_TRUE(b.IsAllocated()) << what;
            EXPECT_EQ(b.GetBitsPerPixel(), 24);
            EXPECT_NEAR(meanBrightness(b), sourceMean, sourceMean * 0.1) << what;
            EXPECT_LE(meanSquaredError(b, source), 150) << what;
        }
}

}  // namespace
