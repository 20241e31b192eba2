#include "SaneTestConfig.h"
#include "ScanHelperSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace hf;
using namespace hf::test;

namespace {

using Lines = std::vector<std::string>;

LBitmap scan(const Lines& lines, ScanProgress& progress)
{
    const SaneTestConfig config(lines);
    ScanProcess session(builtScanHelper());
    const std::vector<ScanDevice> devices = session.listDevices();
    if (devices.empty() || !session.open(devices.front().name))
        return {};
    return session.read(progress);
}

LBitmap scan(const Lines& lines)
{
    ScanProgress progress;
    return scan(lines, progress);
}

const Lines kColour{"mode Color", "test-picture \"Color pattern\""};
const Lines kColour16{"mode Color", "test-picture \"Color pattern\"", "depth 16"};

Lines with(Lines lines, const std::string& more)
{
    lines.push_back(more);
    return lines;
}

struct FormatCase {
    std::string name;
    Lines lines;
    // The scan whose picture this one must equal pixel for pixel.
    Lines sameAs;
    int bits;
};

void PrintTo(const FormatCase& c, std::ostream* os)
{
    *os << c.name;
}

class ScanFormats : public ::testing::TestWithParam<FormatCase> {};

TEST_P(ScanFormats, EveryFrameFormatGivesTheSamePicture)
{
    const FormatCase& c = GetParam();
    ScanProgress progress;
    const LBitmap picture = scan(c.lines, progress);
    const LBitmap reference = scan(c.sameAs);
    ASSERT_TRUE(picture.IsAllocated());
    ASSERT_TRUE(reference.IsAllocated());
    EXPECT_EQ(picture.GetBitsPerPixel(), c.bits);
    EXPECT_EQ(progress.bytesRead.load(), progress.expected.load());
    ASSERT_EQ(picture.GetWidth(), reference.GetWidth());
    ASSERT_EQ(picture.GetHeight(), reference.GetHeight());
    int differences = 0;
    for (int y = 0; y < picture.GetHeight(); ++y)
        for (int x = 0; x < picture.GetWidth(); ++x)
            differences += picture.colourAt(x, y) != reference.colourAt(x, y);
    EXPECT_EQ(differences, 0);
}

INSTANTIATE_TEST_SUITE_P(
    TestBackend, ScanFormats,
    ::testing::Values(
        FormatCase{"ThreePass", with(kColour, "three-pass true"), kColour, 24},
        FormatCase{"ThreePassBlueFirst", with(with(kColour, "three-pass true"), "three-pass-order BGR"), kColour, 24},
        FormatCase{"ThreePassSixteenBit", with(kColour16, "three-pass true"), kColour16, 24},
        FormatCase{"LineartAgainstGray", {"depth 1", "test-picture \"Grid\""}, {"test-picture \"Grid\""}, 1}),
    [](const auto& info) { return info.param.name; });

// Values of the test backend's pattern: a gray margin and a red bar that
// darkens to the right at 8 bits, and at 16 bits a bar whose high byte
// rises by one a pixel (a swapped byte order would read a constant).
TEST(ScanSession, ColourAndSixteenBitScansKeepTheDevicesValues)
{
    const LBitmap colour = scan(kColour);
    ASSERT_EQ(colour.GetBitsPerPixel(), 24);
    EXPECT_EQ(colour.GetWidth(), 157);
    EXPECT_EQ(colour.GetHeight(), 196);
    EXPECT_EQ(colour.colourAt(0, 98), (Rgb{85, 85, 85}));
    EXPECT_EQ(colour.colourAt(19, 98), (Rgb{252, 0, 0}));
    EXPECT_EQ(colour.colourAt(38, 98), (Rgb{248, 0, 0}));

    const LBitmap deep = scan(kColour16);
    ASSERT_EQ(deep.GetBitsPerPixel(), 24);
    EXPECT_EQ(deep.colourAt(0, 98), (Rgb{85, 85, 85}));
    for (int x = 4; x < 24; ++x)
        EXPECT_EQ(deep.colourAt(x, 98), (Rgb{std::uint8_t(x - 4), 0, 0})) << x;

    // A hand scanner cannot say how many lines come.
    ScanProgress progress;
    EXPECT_TRUE(scan({"hand-scanner true"}, progress).IsAllocated());
    EXPECT_EQ(progress.expected.load(), -1);
    EXPECT_GT(progress.bytesRead.load(), 0);
}

}  // namespace
