#include "LBitmap.h"
#include "NearestColour.h"
#include "OptimisedPalette.h"
#include "TestPictures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace hf;
using namespace hf::test;

namespace {

TEST(NearestColour, AgreesWithAFullScanEverywhere)
{
    std::mt19937 random(5);
    auto byte = [&random] { return std::uint8_t(random() & 0xFF); };
    for (int round = 0; round < 6; ++round) {
        // Random palettes of every size, with duplicates and clustered
        // entries that make ties and long candidate lists.
        std::vector<Rgb> palette;
        const int size = round == 0 ? 1 : round == 1 ? 2 : round == 2 ? 16 : 256;
        for (int i = 0; i < size; ++i) {
            if (i > 0 && i % 7 == 0)
                palette.push_back(palette[i / 2]);
            else if (round == 5)
                palette.push_back({std::uint8_t(120 + (byte() & 15)), std::uint8_t(120 + (byte() & 15)), byte()});
            else
                palette.push_back({byte(), byte(), byte()});
        }
        NearestColour nearest(palette);
        for (int i = 0; i < 40000; ++i) {
            const Rgb c{byte(), byte(), byte()};
            ASSERT_EQ(nearest.find(c), nearestByScan(palette, c)) << "round " << round;
        }
    }
}

TEST(NearestColour, TiesGoToTheLowerIndex)
{
    const std::vector<Rgb> palette{{10, 0, 0}, {0, 0, 0}, {0, 0, 10}, {0, 0, 0}};
    NearestColour nearest(palette);
    EXPECT_EQ(nearest.find(5, 0, 5), 0);  // 0 and 2 are equally near: 0
    EXPECT_EQ(nearest.find(0, 0, 0), 1);
    EXPECT_EQ(nearestByScan(palette, {5, 0, 5}), 0);
}

TEST(ColorRes, FixedPaletteUsesOnlyItsEntries)
{
    const std::vector<Rgb> four{{0, 0, 0}, {100, 100, 100}, {200, 200, 200}, {255, 255, 255}};
    for (DitherMethod dither : {DitherMethod::None, DitherMethod::JarvisJudiceNinke}) {
        LBitmap b = photo(64, 48);
        b.GrayScale();
        ASSERT_TRUE(b.ColorRes(2, dither, PaletteOption::Fixed, four));
        EXPECT_EQ(b.GetBitsPerPixel(), 2);
        EXPECT_EQ(b.palette(), four);
        for (std::uint32_t c : coloursOf(b))
            EXPECT_TRUE(c == 0 || c == 0x646464 || c == 0xC8C8C8 || c == 0xFFFFFF) << std::hex << c;
    }
    LBitmap b = photo(8, 8);
    EXPECT_FALSE(b.ColorRes(2, DitherMethod::None, PaletteOption::Fixed, std::vector<Rgb>(5)));
    EXPECT_FALSE(b.ColorRes(3, DitherMethod::None, PaletteOption::Fixed, four));
    EXPECT_FALSE(b.ColorRes(8, DitherMethod::None, PaletteOption::Fixed, {}));
    EXPECT_EQ(b.GetBitsPerPixel(), 24);
}

TEST(ColorRes, DitheringKeepsTheAverageTone)
{
    // A flat gray between two palette levels comes out as a mix of them
    // whose average is the gray, on either half of the picture.
    const std::vector<Rgb> four{{0, 0, 0}, {100, 100, 100}, {200, 200, 200}, {255, 255, 255}};
    for (int gray : {12, 30, 70, 150, 185, 230}) {
        LBitmap b = LBitmap::indexed(80, 80, 8, grayPalette());
        b.Fill({std::uint8_t(gray), std::uint8_t(gray), std::uint8_t(gray)});
        b.ColorRes(2, DitherMethod::JarvisJudiceNinke, PaletteOption::Fixed, four);
        double sum = 0, left = 0;
        for (int y = 0; y < 80; ++y)
            for (int x = 0; x < 80; ++x) {
                sum += b.colourAt(x, y).r;
                left += x < 40 ? b.colourAt(x, y).r : 0;
            }
        EXPECT_NEAR(sum / 6400, gray, 1.0) << gray;
        EXPECT_NEAR(left / 3200, gray, 2.0) << gray;
        EXPECT_EQ(coloursOf(b).size(), 2u) << gray;
    }
}

TEST(ColorRes, GrayAndColourPathsAgree)
{
    // A gray picture held as RGB takes the three-channel path; the same
    // picture held as 8-bit gray takes the one-channel one.
    LBitmap gray = photo(50, 40);
    gray.GrayScale();
    LBitmap asRgb = LBitmap::rgb(50, 40);
    asRgb.Combine(gray, 50, 40, 0, 0, 0, 0);
    std::vector<Rgb> sixteen;
    sixteen.reserve(16);
    for (int i = 0; i < 16; ++i)
        sixteen.push_back({std::uint8_t(17 * i), std::uint8_t(17 * i), std::uint8_t(17 * i)});
    gray.ColorRes(4, DitherMethod::JarvisJudiceNinke, PaletteOption::Fixed, sixteen);
    asRgb.ColorRes(4, DitherMethod::JarvisJudiceNinke, PaletteOption::Fixed, sixteen);
    EXPECT_EQ(gray, asRgb);
}

TEST(OptimisedPalette, KeepsFewColoursExactly)
{
    LBitmap b = LBitmap::rgb(30, 30);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x)
            b.setColour(x, y, {std::uint8_t(x * 8), std::uint8_t(y < 15 ? 0 : 255), 7});
    const LBitmap original = b;
    ASSERT_TRUE(b.ColorRes(8, DitherMethod::JarvisJudiceNinke, PaletteOption::Optimised));
    EXPECT_EQ(b.palette().size(), 60u);
    EXPECT_EQ(meanSquaredError(b, original), 0.0) << "60 colours fit: nothing to dither";
}

TEST(OptimisedPalette, StaysWithinItsSizeAndNearThePicture)
{
    const LBitmap original = photo(160, 120, 3);
    ASSERT_GT(coloursOf(original).size(), 256u);
    for (int bits : {1, 4, 8}) {
        const std::vector<Rgb> palette = optimisedPalette(original, 1 << bits);
        EXPECT_LE(palette.size(), std::size_t(1) << bits);
        LBitmap plain = original;
        plain.ColorRes(bits, DitherMethod::None, PaletteOption::Optimised);
        EXPECT_EQ(plain.palette(), palette);
        EXPECT_LE(coloursOf(plain).size(), std::size_t(1) << bits);
        if (bits == 8) {
            // Noise of +-4 on smooth ramps: 256 colours must come close.
            EXPECT_LT(meanSquaredError(plain, original), 12.0);
        }
    }
    // Colours asked for are kept, and the rest still fit.
    const Rgb black[] = {kBlack};
    const std::vector<Rgb> withBlack = optimisedPalette(original, 16, black);
    EXPECT_EQ(withBlack.size(), 16u);
    EXPECT_EQ(withBlack.back(), kBlack);
    LBitmap kept = original;
    ASSERT_TRUE(kept.ColorRes(4, DitherMethod::JarvisJudiceNinke, PaletteOption::Optimised, black));
    EXPECT_EQ(kept.palette().back(), kBlack);
    EXPECT_FALSE(kept.ColorRes(1, DitherMethod::None, PaletteOption::Optimised, std::vector<Rgb>(3)));

    // A picture of one colour gets that colour.
    LBitmap flat = LBitmap::rgb(9, 9);
    flat.Fill({12, 34, 56});
    EXPECT_EQ(optimisedPalette(flat, 256), (std::vector<Rgb>{{12, 34, 56}}));
    EXPECT_TRUE(optimisedPalette(LBitmap(), 256).empty());
}

}  // namespace
