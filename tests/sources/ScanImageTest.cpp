#include "ScanImage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace hf;
using Kind = ScanFrame::Kind;

namespace {

std::vector<std::uint8_t> samples16(std::initializer_list<std::uint16_t> values)
{
    std::vector<std::uint8_t> bytes(values.size() * 2);
    std::memcpy(bytes.data(), std::data(values), bytes.size());
    return bytes;
}

struct Delivery {
    ScanFrame frame;
    std::vector<std::uint8_t> bytes;
};

struct FrameCase {
    std::string name;
    std::vector<Delivery> deliveries;
    int width, height, bits;
    // Row-major colours expected; empty when the scan must give no picture.
    std::vector<Rgb> pixels;
};

constexpr Rgb W{255, 255, 255};
constexpr Rgb K{0, 0, 0};

void PrintTo(const FrameCase& c, std::ostream* os)
{
    *os << c.name;
}

class ScanFrames : public ::testing::TestWithParam<FrameCase> {};

TEST_P(ScanFrames, DecodeToThePictureTheDeviceSent)
{
    const FrameCase& c = GetParam();
    ScanImage image;
    bool taken = true;
    for (const Delivery& d : c.deliveries)
        taken = taken && image.beginFrame(d.frame) && image.append(d.bytes);
    const LBitmap picture = image.finish();
    if (c.pixels.empty()) {
        EXPECT_TRUE(!taken || !picture.IsAllocated());
        return;
    }
    ASSERT_TRUE(taken);
    ASSERT_TRUE(picture.IsAllocated());
    EXPECT_EQ(picture.GetWidth(), c.width);
    EXPECT_EQ(picture.GetHeight(), c.height);
    EXPECT_EQ(picture.GetBitsPerPixel(), c.bits);
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x)
            EXPECT_EQ(picture.colourAt(x, y), c.pixels[std::size_t(y * c.width + x)]) << x << "," << y;
}

// Frame: kind, last, bytes per line, pixels per line, lines, depth.
INSTANTIATE_TEST_SUITE_P(
    Formats, ScanFrames,
    ::testing::Values(
        FrameCase{"LineartSetBitIsBlackAndLinesArePadded",
                  {{{Kind::Gray, true, 2, 10, 2, 1}, {0b10100000, 0b01000000, 0b01111111, 0b10111111}}},
                  10,
                  2,
                  1,
                  {K, W, K, W, W, W, W, W, W, K, W, K, K, K, K, K, K, K, K, W}},
        FrameCase{"SixteenBitKeepsTheHighByteOfHostOrder",
                  {{{Kind::Gray, true, 6, 3, 1, 16}, samples16({0x12ff, 0xff00, 0x0080})}},
                  3,
                  1,
                  8,
                  {{0x12, 0x12, 0x12}, W, K}},
        FrameCase{"SixteenBitRgb",
                  {{{Kind::Rgb, true, 12, 2, 1, 16}, samples16({0xff00, 0x0100, 0x80ff, 0, 0xffff, 0x7f00})}},
                  2,
                  1,
                  24,
                  {{255, 1, 128}, {0, 255, 127}}},
        FrameCase{"ThreePassesInAnyOrderMakeOneRgbPicture",
                  {{{Kind::Blue, false, 2, 2, 1, 8}, {3, 6}},
                   {{Kind::Red, false, 2, 2, 1, 8}, {1, 4}},
                   {{Kind::Green, true, 2, 2, 1, 8}, {2, 5}}},
                  2,
                  1,
                  24,
                  {{1, 2, 3}, {4, 5, 6}}},
        FrameCase{"UnknownLengthKeepsTheWholeLinesThatCame",
                  {{{Kind::Gray, true, 2, 2, -1, 8}, {10, 20, 30, 40, 50}}},
                  2,
                  2,
                  8,
                  {{10, 10, 10}, {20, 20, 20}, {30, 30, 30}, {40, 40, 40}}},
        FrameCase{
            "ShortScanKeepsItsWholeLines", {{{Kind::Gray, true, 1, 1, 5, 8}, {7, 8}}}, 1, 2, 8, {{7, 7, 7}, {8, 8, 8}}},
        FrameCase{"ZeroLinesIsNoPicture", {{{Kind::Gray, true, 4, 4, 0, 8}, {}}}, 0, 0, 0, {}},
        FrameCase{"LessThanALineIsNoPicture", {{{Kind::Rgb, true, 6, 2, 3, 8}, {1, 2, 3}}}, 0, 0, 0, {}},
        FrameCase{"MoreBytesThanDeclaredAreRefused", {{{Kind::Gray, true, 1, 1, 1, 8}, {1, 2}}}, 0, 0, 0, {}},
        FrameCase{"LineShorterThanItsPixelsIsRefused", {{{Kind::Rgb, true, 5, 2, 1, 8}, {1, 2, 3, 4, 5}}}, 0, 0, 0, {}},
        FrameCase{"UnknownDepthIsRefused", {{{Kind::Gray, true, 1, 2, 1, 4}, {0x12}}}, 0, 0, 0, {}},
        FrameCase{"SizeOverTheLimitIsRefused", {{{Kind::Gray, true, 100'000, 100'000, 100'000, 8}, {}}}, 0, 0, 0, {}},
        FrameCase{"HugeLinePaddingIsRefused", {{{Kind::Gray, true, 2'000'000'000, 1, 1, 8}, {1}}}, 0, 0, 0, {}},
        FrameCase{"PassesOfDifferentSizesAreRefused",
                  {{{Kind::Red, false, 2, 2, 1, 8}, {1, 2}}, {{Kind::Green, false, 1, 1, 1, 8}, {1}}},
                  0,
                  0,
                  0,
                  {}},
        FrameCase{"ARepeatedPassIsRefused",
                  {{{Kind::Red, false, 1, 1, 1, 8}, {1}}, {{Kind::Red, false, 1, 1, 1, 8}, {1}}},
                  0,
                  0,
                  0,
                  {}},
        FrameCase{"AMissingPassIsNoPicture",
                  {{{Kind::Red, false, 1, 1, 1, 8}, {1}}, {{Kind::Green, true, 1, 1, 1, 8}, {1}}},
                  0,
                  0,
                  0,
                  {}},
        FrameCase{"AGrayFrameAfterAPassIsRefused",
                  {{{Kind::Red, false, 1, 1, 1, 8}, {1}}, {{Kind::Gray, true, 1, 1, 1, 8}, {1}}},
                  0,
                  0,
                  0,
                  {}}),
    [](const auto& info) { return info.param.name; });

TEST(ScanFrameSize, ExpectedBytesCountAllThreePassesAndNothingWhenUnknown)
{
    EXPECT_EQ(ScanImage::expectedBytes({Kind::Red, false, 100, 100, 50, 8}), 15'000);
    EXPECT_EQ(ScanImage::expectedBytes({Kind::Rgb, true, 300, 100, 50, 8}), 15'000);
    EXPECT_EQ(ScanImage::expectedBytes({Kind::Gray, true, 100, 100, -1, 8}), -1);
}

}  // namespace
