#include "LBitmap.h"
#include "TestPictures.h"

#include <gtest/gtest.h>

using namespace hf;
using hf::test::photo;

namespace {

// Pixel (x, y) holds (x, y, x ^ y), so every pixel says where it came from.
LBitmap coordinates(int w, int h)
{
    LBitmap b = LBitmap::rgb(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.setColour(x, y, {std::uint8_t(x), std::uint8_t(y), std::uint8_t(x ^ y)});
    return b;
}

TEST(LBitmap, EmptyAndRefusedSizes)
{
    LBitmap empty;
    EXPECT_FALSE(empty.IsAllocated());
    EXPECT_EQ(empty.GetWidth(), 0);
    EXPECT_FALSE(LBitmap::rgb(0, 5).IsAllocated());
    EXPECT_FALSE(LBitmap::rgb(20000, 20000).IsAllocated()) << "over the picture size limit";
    EXPECT_FALSE(LBitmap::indexed(4, 4, 2, std::vector<Rgb>(5)).IsAllocated()) << "5 entries at 2 bits";
    EXPECT_FALSE(LBitmap::indexed(4, 4, 3, {kBlack}).IsAllocated()) << "3 bits per pixel";
    EXPECT_FALSE(LBitmap::indexed(4, 4, 8, {}).IsAllocated());

    LBitmap b = photo(8, 6);
    EXPECT_FALSE(b.Size(0, 10));
    EXPECT_FALSE(b.Trim({20, 20, 30, 30})) << "nothing of the picture inside";
    EXPECT_EQ(b.GetWidth(), 8);
    b.Free();
    EXPECT_FALSE(b.IsAllocated());
    EXPECT_FALSE(b.Size(4, 4));
}

TEST(LBitmap, SizeReplicatesAndDropsWithoutBlending)
{
    LBitmap grow = coordinates(3, 2);
    ASSERT_TRUE(grow.Size(9, 4));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 9; ++x)
            EXPECT_EQ(grow.colourAt(x, y),
                      (Rgb{std::uint8_t(x / 3), std::uint8_t(y / 2), std::uint8_t((x / 3) ^ (y / 2))}));

    LBitmap shrink = coordinates(100, 50);
    ASSERT_TRUE(shrink.Size(10, 5));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 10; ++x) {
            // Output pixel centres fall on source pixels 5, 15, 25, ...
            const Rgb c = shrink.colourAt(x, y);
            EXPECT_EQ(c.r, 10 * x + 5);
            EXPECT_EQ(c.g, 10 * y + 5);
        }

    LBitmap same = coordinates(7, 7);
    same.Size(7, 7);
    EXPECT_EQ(same, coordinates(7, 7));
}

TEST(LBitmap, TrimClipsToThePicture)
{
    LBitmap b = coordinates(20, 10);
    ASSERT_TRUE(b.Trim({-5, 4, 6, 30}));
    ASSERT_EQ(b.GetWidth(), 6);
    ASSERT_EQ(b.GetHeight(), 6);
    EXPECT_EQ(b.colourAt(0, 0), (Rgb{0, 4, 4}));
    EXPECT_EQ(b.colourAt(5, 5), (Rgb{5, 9, 5 ^ 9}));
}

TEST(LBitmap, SampledFromIsTrimThenSize)
{
    const LBitmap source = photo(301, 187, 7);
    for (const Rect window : {Rect{0, 0, 301, 187}, Rect{17, 3, 250, 180}, Rect{100, 100, 101, 187}}) {
        for (auto [w, h] : {std::pair{160, 159}, std::pair{37, 160}, std::pair{1, 1}, std::pair{400, 20}}) {
            LBitmap slow = source;
            slow.Trim(window);
            slow.Size(w, h);
            EXPECT_EQ(LBitmap::sampledFrom(source, window, w, h), slow);
        }
    }
}

TEST(LBitmap, FillUsesThePaletteEntryNearestTheColour)
{
    LBitmap b = LBitmap::indexed(4, 3, 8, {{90, 90, 255}, {10, 20, 5}, {10, 20, 5}, {255, 255, 255}});
    b.Fill();
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(b.indexAt(x, y), 1) << "nearest to black, the lower of two equal entries";
    LBitmap rgb = photo(5, 5);
    rgb.Fill({7, 8, 9});
    EXPECT_EQ(hf::test::coloursOf(rgb).size(), 1u);
    EXPECT_EQ(rgb.colourAt(4, 4), (Rgb{7, 8, 9}));
}

TEST(LBitmap, CombineClipsAtEveryEdge)
{
    const LBitmap src = coordinates(10, 10);
    LBitmap dst = LBitmap::rgb(6, 6);
    dst.Fill({200, 200, 200});
    // Negative destination: the middle of the source lands at the corner.
    ASSERT_TRUE(dst.Combine(src, 10, 10, -3, -2, 0, 0));
    EXPECT_EQ(dst.colourAt(0, 0), (Rgb{3, 2, 3 ^ 2}));
    EXPECT_EQ(dst.colourAt(5, 5), (Rgb{8, 7, 8 ^ 7}));

    LBitmap part = LBitmap::rgb(6, 6);
    part.Fill({200, 200, 200});
    ASSERT_TRUE(part.Combine(src, 4, 4, 4, 1, 8, -1));
    // Source column 8..9 (2 wide), row 0..2 (3 high after the -1), at (4, 2).
    EXPECT_EQ(part.colourAt(4, 2), (Rgb{8, 0, 8}));
    EXPECT_EQ(part.colourAt(5, 4), (Rgb{9, 2, 9 ^ 2}));
    EXPECT_EQ(part.colourAt(4, 1), (Rgb{200, 200, 200}));
    EXPECT_EQ(part.colourAt(4, 5), (Rgb{200, 200, 200}));
    EXPECT_EQ(part.colourAt(3, 2), (Rgb{200, 200, 200}));

    LBitmap untouched = part;
    EXPECT_TRUE(part.Combine(src, 5, 5, 100, 100, 0, 0));
    EXPECT_TRUE(part.Combine(src, 5, 5, 0, 0, -50, 0));
    EXPECT_EQ(part, untouched);
    EXPECT_TRUE(part.Combine(part, 2, 3, 2, 2, 4, 2)) << "onto itself";
    EXPECT_EQ(part.colourAt(2, 2), untouched.colourAt(4, 2));
    EXPECT_EQ(part.colourAt(3, 4), untouched.colourAt(5, 4));
}

TEST(LBitmap, CombineMapsColoursBetweenDepths)
{
    const std::vector<Rgb> grays{{0, 0, 0}, {100, 100, 100}, {200, 200, 200}, {255, 255, 255}};
    LBitmap src = LBitmap::rgb(3, 1);
    src.setColour(0, 0, {90, 110, 100});
    src.setColour(1, 0, {250, 250, 240});
    src.setColour(2, 0, {160, 160, 160});
    LBitmap dst = LBitmap::indexed(3, 1, 2, grays);
    dst.Combine(src, 3, 1, 0, 0, 0, 0);
    EXPECT_EQ(dst.indexAt(0, 0), 1);
    EXPECT_EQ(dst.indexAt(1, 0), 3);
    EXPECT_EQ(dst.indexAt(2, 0), 2);

    LBitmap other = LBitmap::indexed(2, 1, 1, {{255, 255, 255}, {0, 0, 0}});
    other.setIndex(1, 0, 1);
    dst.Combine(other, 2, 1, 0, 0, 0, 0);
    EXPECT_EQ(dst.indexAt(0, 0), 3) << "white is entry 3 of the gray palette";
    EXPECT_EQ(dst.indexAt(1, 0), 0);

    LBitmap rgb = LBitmap::rgb(2, 1);
    rgb.Combine(other, 2, 1, 0, 0, 0, 0);
    EXPECT_EQ(rgb.colourAt(0, 0), (Rgb{255, 255, 255}));
    EXPECT_EQ(rgb.colourAt(1, 0), kBlack);
}

TEST(LBitmap, GrayScaleKeepsLumaInEightBits)
{
    LBitmap b = LBitmap::rgb(4, 1);
    b.setColour(0, 0, {255, 255, 255});
    b.setColour(1, 0, {255, 0, 0});
    b.setColour(2, 0, {0, 255, 0});
    b.setColour(3, 0, {0, 0, 255});
    b.GrayScale();
    EXPECT_EQ(b.GetBitsPerPixel(), 8);
    EXPECT_TRUE(isGrayPalette(b.palette()));
    EXPECT_EQ(b.indexAt(0, 0), 255);
    EXPECT_EQ(b.indexAt(1, 0), 77);   // 0.299
    EXPECT_EQ(b.indexAt(2, 0), 149);  // 0.587
    EXPECT_EQ(b.indexAt(3, 0), 29);   // 0.114

    LBitmap indexed = LBitmap::indexed(2, 1, 1, {{255, 0, 0}, {0, 0, 255}});
    indexed.setIndex(1, 0, 1);
    indexed.GrayScale();
    EXPECT_EQ(indexed.colourAt(0, 0), (Rgb{77, 77, 77}));
    EXPECT_EQ(indexed.colourAt(1, 0), (Rgb{29, 29, 29}));
}

TEST(LBitmap, ContrastStretchesAroundMiddleGray)
{
    LBitmap ramp = LBitmap::indexed(256, 1, 8, grayPalette());
    for (int x = 0; x < 256; ++x)
        ramp.setIndex(x, 0, std::uint8_t(x));
    auto after = [&ramp](int amount) {
        LBitmap b = ramp;
        b.ChangeContrast(amount);
        return b;
    };
    EXPECT_EQ(after(0), ramp);
    const LBitmap doubled = after(500);
    EXPECT_EQ(doubled.colourAt(100, 0).r, 73);  // 127.5 - 2 * 27.5
    EXPECT_EQ(doubled.colourAt(200, 0).r, 255);
    const LBitmap halved = after(-500);
    EXPECT_EQ(halved.colourAt(0, 0).r, 64);
    EXPECT_EQ(halved.colourAt(255, 0).r, 191);
    EXPECT_EQ(hf::test::coloursOf(after(-1000)).size(), 1u);
    const LBitmap hardest = after(1000);
    EXPECT_EQ(hardest.colourAt(127, 0).r, 0);
    EXPECT_EQ(hardest.colourAt(128, 0).r, 255);
    for (int amount : {-700, -50, 50, 700}) {
        const LBitmap b = after(amount);
        for (int x = 1; x < 256; ++x)
            ASSERT_LE(b.colourAt(x - 1, 0).r, b.colourAt(x, 0).r) << "order kept at " << amount;
    }

    LBitmap colour = photo(6, 6);
    LBitmap changed = colour;
    changed.ChangeContrast(300);
    for (int c = 0; c < 3; ++c)
        EXPECT_NE(changed.colourAt(c, c), colour.colourAt(c, c));
}

TEST(LBitmap, OrientedTurnsAndMirrors)
{
    const LBitmap b = coordinates(3, 2);
    EXPECT_EQ(oriented(b, {}), b);
    const LBitmap mirrored = oriented(b, {true, false, false});
    EXPECT_EQ(mirrored.colourAt(0, 1), b.colourAt(2, 1));
    const LBitmap flipped = oriented(b, {false, true, false});
    EXPECT_EQ(flipped.colourAt(2, 0), b.colourAt(2, 1));
    // A quarter turn clockwise: the left column becomes the top row.
    const LBitmap turned = oriented(b, {false, false, true});
    ASSERT_EQ(turned.GetWidth(), 2);
    ASSERT_EQ(turned.GetHeight(), 3);
    EXPECT_EQ(turned.colourAt(0, 0), b.colourAt(0, 1));
    EXPECT_EQ(turned.colourAt(1, 0), b.colourAt(0, 0));
    EXPECT_EQ(turned.colourAt(0, 2), b.colourAt(2, 1));
    // Half a turn is a mirror and a flip; three quarters add a quarter.
    const LBitmap half = oriented(b, {true, true, false});
    EXPECT_EQ(half.colourAt(0, 0), b.colourAt(2, 1));
    EXPECT_EQ(oriented(b, {true, true, true}), oriented(oriented(b, {false, false, true}), {true, true, false}));

    LBitmap indexed = LBitmap::indexed(2, 1, 1, {kBlack, {255, 255, 255}});
    indexed.setIndex(1, 0, 1);
    const LBitmap up = oriented(indexed, {false, false, true});
    EXPECT_EQ(up.palette(), indexed.palette());
    EXPECT_EQ(up.indexAt(0, 1), 1);
}

TEST(LBitmap, GammaLiftsMiddleTonesOnly)
{
    LBitmap b = LBitmap::indexed(3, 1, 8, grayPalette());
    b.setIndex(1, 0, 64);
    b.setIndex(2, 0, 255);
    LBitmap unchanged = b;
    unchanged.GammaCorrect(100);
    EXPECT_EQ(unchanged, b);
    b.GammaCorrect(200);
    EXPECT_EQ(b.colourAt(0, 0).r, 0);
    EXPECT_EQ(b.colourAt(1, 0).r, 128);  // sqrt(64 / 255) * 255
    EXPECT_EQ(b.colourAt(2, 0).r, 255);
}

}  // namespace
