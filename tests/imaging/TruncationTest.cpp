#include "Truncation.h"

#include <gtest/gtest.h>

#include <vector>

using namespace hf;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The marker layout of a small baseline JPEG: what the check walks.
Bytes jpeg()
{
    const Bytes soi{0xFF, 0xD8};
    const Bytes app0{0xFF, 0xE0, 0x00, 0x06, 'J', 'F', 'I', 'F'};
    const Bytes sof{0xFF, 0xC0, 0x00, 0x05, 8, 0, 1};
    const Bytes sos{0xFF, 0xDA, 0x00, 0x03, 0x01};
    // Entropy data with a stuffed 0xFF, a restart marker and fill bytes.
    const Bytes data{0x12, 0xFF, 0x00, 0x34, 0xFF, 0xD0, 0x56, 0xFF, 0xFF};
    const Bytes eoi{0xFF, 0xD9};
    return soi + app0 + sof + sos + data + eoi;
}

TEST(Truncation, JpegNeedsItsEndMarker)
{
    const Bytes whole = jpeg();
    EXPECT_FALSE(looksTruncated(whole));
    EXPECT_FALSE(looksTruncated(whole + Bytes{0, 0, 0})) << "trailing bytes after the end are harmless";
    for (std::size_t cut = 3; cut < whole.size() - 1; ++cut)
        EXPECT_TRUE(looksTruncated(Bytes(whole.begin(), whole.begin() + std::ptrdiff_t(cut)))) << cut;
    // An end marker inside an embedded thumbnail does not end the file.
    const Bytes thumbnail{0xFF, 0xE1, 0x00, 0x06, 0xFF, 0xD9, 0xFF, 0xD9};
    Bytes cutAfterThumbnail = Bytes{0xFF, 0xD8} + thumbnail + Bytes{0xFF, 0xDA, 0x00, 0x03, 0x01, 0x12, 0x34};
    EXPECT_TRUE(looksTruncated(cutAfterThumbnail));
    // A segment length that runs past the end.
    EXPECT_TRUE(looksTruncated(Bytes{0xFF, 0xD8, 0xFF, 0xE0, 0xFF, 0xFF, 0x00}));
}

TEST(Truncation, GifNeedsTheFirstImageWhole)
{
    Bytes gif{'G', 'I', 'F', '8', '9', 'a', 2, 0, 2, 0, 0x80, 0, 0};  // 2 x 2, 2-entry table
    gif = gif + Bytes{0, 0, 0, 255, 255, 255};
    gif = gif + Bytes{0x21, 0xF9, 4, 0, 0, 0, 0, 0};     // graphic control extension
    gif = gif + Bytes{0x2C, 0, 0, 0, 0, 2, 0, 2, 0, 0};  // image descriptor
    gif = gif + Bytes{2, 2, 0x44, 0x01, 0};              // LZW data
    EXPECT_FALSE(looksTruncated(gif + Bytes{0x3B}));
    EXPECT_FALSE(looksTruncated(gif)) << "the trailer is not needed for the first image";
    for (std::size_t cut = 6; cut < gif.size(); ++cut)
        EXPECT_TRUE(looksTruncated(Bytes(gif.begin(), gif.begin() + std::ptrdiff_t(cut)))) << cut;
}

TEST(Truncation, BmpNeedsEveryRow)
{
    // 3 x 2 at 24 bits: rows of 12 bytes after a 54-byte header.
    Bytes bmp(54 + 24, 0);
    bmp[0] = 'B';
    bmp[1] = 'M';
    bmp[10] = 54;
    bmp[14] = 40;
    bmp[18] = 3;
    bmp[22] = 2;
    bmp[26] = 1;
    bmp[28] = 24;
    EXPECT_FALSE(looksTruncated(bmp));
    EXPECT_TRUE(looksTruncated(Bytes(bmp.begin(), bmp.end() - 1)));
    bmp[22] = 0xFE;  // height -2: top-down rows, same size
    bmp[23] = bmp[24] = bmp[25] = 0xFF;
    EXPECT_FALSE(looksTruncated(bmp));
    bmp[30] = 1;  // run-length encoded: the decoder judges
    EXPECT_FALSE(looksTruncated(Bytes(bmp.begin(), bmp.end() - 10)));
}

TEST(Truncation, OtherBytesAreLeftToTheirReaders)
{
    EXPECT_FALSE(looksTruncated(Bytes{}));
    EXPECT_FALSE(looksTruncated(Bytes{0x89, 'P', 'N', 'G'}));
    EXPECT_FALSE(looksTruncated(Bytes{'h', 'e', 'l', 'l', 'o'}));
}

}  // namespace
