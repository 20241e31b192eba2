#pragma once

#include <QBuffer>
#include <QImage>
#include <QImageWriter>

#include <gtest/gtest.h>

#include <string>

namespace hf::test {

// Left half red, right half blue, so any turn of the picture shows.
inline QImage halves(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB888);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, x < w / 2 ? qRgb(230, 20, 20) : qRgb(20, 20, 230));
    return image;
}

// The file bytes of the image in a format Qt writes.
inline std::string encoded(const QImage& image, const char* format, int quality = -1, bool progressive = false)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    writer.setProgressiveScanWrite(progressive);
    EXPECT_TRUE(writer.write(image)) << format << ": " << writer.errorString().toStdString();
    return bytes.toStdString();
}

inline void putBigEndian32(std::string& s, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        s[at + std::size_t(i)] = char(v >> (24 - 8 * i));
}

// A PNG of the given declared size: the header claims it, the data does not
// hold it. The header's checksum is right, so only the size is hostile.
inline std::string pngDeclaring(std::uint32_t width, std::uint32_t height)
{
    std::string png = encoded(halves(4, 4), "png");
    putBigEndian32(png, 16, width);
    putBigEndian32(png, 20, height);
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 12; i < 29; ++i) {
        crc ^= std::uint8_t(png[i]);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    putBigEndian32(png, 29, ~crc);
    return png;
}

// The JPEG of `image` with an EXIF block giving the orientation (1 ... 8).
inline std::string withOrientation(const std::string& jpeg, int orientation)
{
    std::string exif("\xFF\xE1\x00\x22"
                     "Exif\0\0"
                     "II\x2A\x00\x08\x00\x00\x00"
                     "\x01\x00"
                     "\x12\x01\x03\x00\x01\x00\x00\x00\x06\x00\x00\x00"
                     "\x00\x00\x00\x00",
                     36);
    exif[28] = char(orientation);
    std::string out = jpeg;
    out.insert(2, exif);
    return out;
}

}  // namespace hf::test
