#include "EncodedPictures.h"
#include "ImageIO.h"
#include "TempDir.h"
#include "TestPictures.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <future>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace hf;
using namespace hf::test;

namespace {

TEST(OutsideFiles, NonRegularFilesAreRefusedWithoutBlocking)
{
    TempDir dir;
    const fs::path fifo = dir / "photo.jpg";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    fs::create_directory(dir / "folder.png");
    for (const fs::path& path : {fifo, dir / "folder.png"}) {
        auto loading = std::async(std::launch::async, [path] { return loadBitmap(path); });
        if (loading.wait_for(std::chrono::seconds(5)) == std::future_status::timeout) {
            // Give the stuck reader a writer that closes at once, so the
            // test ends rather than hangs.
            ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
            ADD_FAILURE() << path << " blocked the loader";
        }
        EXPECT_FALSE(loading.get().IsAllocated()) << path;
    }
}

void putLe(std::string& s, std::size_t at, std::uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        s[at + std::size_t(i)] = char(v >> (8 * i));
}

// A run-length compressed BMP with the given stream; palette entry 0 is a
// green no decoder would make up.
std::string rleBmp(int width, int height, int bits, const std::string& stream)
{
    const std::vector<Rgb> palette{{10, 200, 30}, {255, 0, 0}, {0, 0, 255}, {255, 255, 255}};
    std::string b(54 + 4 * palette.size(), '\0');
    b[0] = 'B';
    b[1] = 'M';
    putLe(b, 10, std::uint32_t(b.size()), 4);
    putLe(b, 14, 40, 4);
    putLe(b, 18, std::uint32_t(width), 4);
    putLe(b, 22, std::uint32_t(height), 4);
    putLe(b, 26, 1, 2);
    putLe(b, 28, std::uint32_t(bits), 2);
    putLe(b, 30, bits == 8 ? 1 : 2, 4);
    putLe(b, 34, std::uint32_t(stream.size()), 4);
    putLe(b, 46, std::uint32_t(palette.size()), 4);
    for (std::size_t i = 0; i < palette.size(); ++i) {
        b[54 + 4 * i] = char(palette[i].b);
        b[54 + 4 * i + 1] = char(palette[i].g);
        b[54 + 4 * i + 2] = char(palette[i].r);
    }
    putLe(b, 2, std::uint32_t(b.size() + stream.size()), 4);
    return b + stream;
}

TEST(RleBmp, WholeFilesDecodeAndCutOrOverlongOnesAreRefused)
{
    // Rows are listed top first: the file stores the bottom row first.
    const std::string eol("\0\0", 2), eob("\0\1", 2);
    struct Case {
        const char* what;
        std::string file;
        std::vector<std::string> rows;  // palette indices as digits; empty: refused
    };
    const std::string whole8 =
        std::string("\x02\x01\x02\x02", 4) + eol + std::string("\x00\x04\x03\x02\x01\x00", 6) + eol + eob;
    const std::vector<Case> cases{
        {"runs and literals, 8 bits", rleBmp(4, 2, 8, whole8), {"3210", "1122"}},
        {"runs and literals, 4 bits",
         rleBmp(5, 2, 4, std::string("\x05\x12", 2) + eol + std::string("\x00\x05\x31\x23\x00\x00", 6) + eob),
         {"31230", "12121"}},
        {"delta and early end skip to entry 0",
         rleBmp(4, 3, 8, std::string("\x01\x03\0\x02\x02\x01\x01\x01", 8) + eob),
         {"0000", "0001", "3000"}},
        {"last row ends without a marker", rleBmp(2, 1, 8, std::string("\x02\x01", 2) + eol), {"11"}},
        {"cut inside a row", rleBmp(4, 2, 8, whole8.substr(0, 6)), {}},
        {"cut inside a literal", rleBmp(4, 2, 8, whole8.substr(0, 9)), {}},
        {"pixels beyond the last row",
         rleBmp(2, 1, 8, std::string("\x02\x01", 2) + eol + std::string("\x02\x01", 2) + eob),
         {}},
        {"a kilobyte declaring 100 megapixels", rleBmp(10000, 10000, 8, std::string(1000, '\x01') + eob), {}},
        {"top-down rows", rleBmp(2, -1, 8, std::string("\x02\x01", 2) + eob), {}},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeFile(dir / "picture.bmp", c.file);
        const LBitmap b = loadBitmap(dir / "picture.bmp");
        if (c.rows.empty()) {
            EXPECT_FALSE(b.IsAllocated());
            continue;
        }
        const std::vector<Rgb> palette{{10, 200, 30}, {255, 0, 0}, {0, 0, 255}, {255, 255, 255}};
        ASSERT_TRUE(b.IsAllocated());
        ASSERT_EQ(b.GetHeight(), int(c.rows.size()));
        ASSERT_EQ(b.GetWidth(), int(c.rows[0].size()));
        for (int y = 0; y < b.GetHeight(); ++y)
            for (int x = 0; x < b.GetWidth(); ++x)
                EXPECT_EQ(b.colourAt(x, y), palette[std::size_t(c.rows[std::size_t(y)][std::size_t(x)] - '0')])
                    << x << "," << y;
    }
}

// How much the process grows, in megabytes, while loading the file: run in
// a child so the measure starts from a small process.
long growthLoadingMb(const fs::path& path)
{
    const pid_t child = ::fork();
    if (child == 0) {
        rusage before{}, after{};
        ::getrusage(RUSAGE_SELF, &before);
        const bool loaded = loadBitmap(path).IsAllocated();
        ::getrusage(RUSAGE_SELF, &after);
        _exit(loaded ? 255 : int(std::min<long>((after.ru_maxrss - before.ru_maxrss) / 1024, 254)));
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// "Extraneous bytes before marker": bytes between two segments.
std::string withStrayBytes(std::string jpeg)
{
    const std::size_t afterApp0 = 4 + (std::uint8_t(jpeg[4]) << 8 | std::uint8_t(jpeg[5]));
    return jpeg.insert(afterApp0, std::string("\x00\x37\x00", 3));
}

// The scan stops half way and the end-of-image marker follows: the file is
// structurally whole, but its pixels are not.
std::string scanCutShort(const std::string& jpeg)
{
    return jpeg.substr(0, jpeg.find("\xFF\xDA") + (jpeg.size() - jpeg.find("\xFF\xDA")) / 2) + "\xFF\xD9";
}

// A progressive JPEG of a few hundred bytes whose header claims 10000 x 10000.
std::string declaringHuge(std::string jpeg, const char* startOfFrame)
{
    const std::size_t sof = jpeg.find(startOfFrame);
    EXPECT_NE(sof, std::string::npos);
    putBigEndian32(jpeg, sof + 5, 0x27102710u);
    return jpeg;
}

// The same arithmetic-coded, which has no floor of bits per block; made by
// libjpeg-turbo's cjpeg. Empty without it.
std::string arithmeticDeclaringHuge(const fs::path& dir)
{
    const fs::path ppm = dir / "small.ppm", jpeg = dir / "arithmetic.jpg";
    writeFile(ppm, encoded(halves(16, 16), "ppm"));
    const std::string command =
        "cjpeg -arithmetic -progressive " + ppm.string() + " > " + jpeg.string() + " 2> /dev/null";
    if (std::system(command.c_str()) != 0)
        return {};
    return declaringHuge(readFile(jpeg), "\xFF\xCA");
}

TEST(Jpeg, UntidyFilesOpenDamagedOnesAreRefused)
{
    TempDir dir;
    const std::string clean = encoded(toQImage(photo(96, 64)), "jpg", 90);
    writeFile(dir / "clean.jpg", clean);
    const LBitmap reference = loadBitmap(dir / "clean.jpg");
    ASSERT_TRUE(reference.IsAllocated());

    writeFile(dir / "stray.jpg", withStrayBytes(clean));
    EXPECT_EQ(loadBitmap(dir / "stray.jpg"), reference) << "stray bytes before a marker decode in full";

    writeFile(dir / "cut.jpg", scanCutShort(clean));
    EXPECT_FALSE(loadBitmap(dir / "cut.jpg").IsAllocated()) << "half a scan";
}

// A whole 4 x 4 GIF whose logical screen claims the given size.
std::string gifDeclaring(int width, int height)
{
    std::string gif("GIF89a\x04\x00\x04\x00\x80\x00\x00\x00\x00\x00\xFF\xFF\xFF"
                    "\x2C\x00\x00\x00\x00\x04\x00\x04\x00\x00\x02\x06\x04\x12\x86\x9A\x17\x05\x00\x3B",
                    39);
    putLe(gif, 6, std::uint32_t(width), 2);
    putLe(gif, 8, std::uint32_t(height), 2);
    return gif;
}

TEST(DeclaredSizes, SmallFilesClaimingHugePicturesAreRefusedBeforeAllocating)
{
    TempDir dir;
    const std::string tiny = declaringHuge(encoded(halves(16, 16), "jpg", 50, true), "\xFF\xC2");
    ASSERT_LT(tiny.size(), 1000u);
    struct Case {
        const char* name;
        std::string bytes;
    };
    for (const Case& c : {Case{"tiny.jpg", tiny}, Case{"arithmetic.jpg", arithmeticDeclaringHuge(dir.path())},
                          Case{"tiny.png", pngDeclaring(10000, 10000)}, Case{"tiny.gif", gifDeclaring(10000, 10000)}}) {
        if (c.bytes.empty())
            continue;  // no cjpeg
        writeFile(dir / c.name, c.bytes);
        const long growth = growthLoadingMb(dir / c.name);
        EXPECT_GE(growth, 0) << c.name << " was loaded or crashed";
        EXPECT_LT(growth, 64) << c.name << ": megabytes taken before it was refused";
    }
}

TEST(DeclaredSizes, FlatHugePicturesStillOpen)
{
    // White 10000 x 10000: compressed to a sliver of what it declares, yet
    // a real picture.
    TempDir dir;
    QImage white(10000, 10000, QImage::Format_Grayscale8);
    white.fill(255);
    for (const char* format : {"png", "jpg"}) {
        const fs::path path = dir / (std::string("white.") + format);
        ASSERT_TRUE(white.save(QString::fromStdString(path.string()), format, 50));
        const LBitmap b = loadBitmap(path);
        ASSERT_TRUE(b.IsAllocated()) << format << ", " << fs::file_size(path) << " bytes";
        EXPECT_EQ(b.GetWidth(), 10000);
        EXPECT_EQ(b.colourAt(9999, 9999), (Rgb{255, 255, 255})) << format;
    }
}

}  // namespace
