#include "TestPictures.h"

#include "ImageIO.h"

#include <QBuffer>
#include <QImage>
#include <libexif/exif-data.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>

namespace hf::test {

bool Rgb::near(hf::Rgb c, int tolerance) const
{
    return std::abs(c.r - r) <= tolerance && std::abs(c.g - g) <= tolerance && std::abs(c.b - b) <= tolerance;
}

LBitmap halves(int width, int height, Rgb left, Rgb right, bool noise)
{
    LBitmap p = LBitmap::rgb(width, height);
    std::minstd_rand random(7);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Rgb c = x < width / 2 ? left : right;
            const int jitter = noise ? int(random() % 31) - 15 : 0;
            std::uint8_t* q = p.row(y) + std::size_t(x) * 3;
            q[0] = std::uint8_t(std::clamp(c.r + jitter, 0, 255));
            q[1] = std::uint8_t(std::clamp(c.g + jitter, 0, 255));
            q[2] = std::uint8_t(std::clamp(c.b + jitter, 0, 255));
        }
    return p;
}

std::vector<std::uint8_t> makeJpeg(const LBitmap& picture, const std::optional<ExifPart>& exif, int quality)
{
    std::vector<std::uint8_t> file = encodeJpeg(picture, quality);
    if (!exif)
        return file;
    ExifData* data = exif_data_new();
    exif_data_set_byte_order(data, EXIF_BYTE_ORDER_INTEL);
    ExifEntry* entry = exif_entry_new();
    exif_content_add_entry(data->ifd[EXIF_IFD_0], entry);
    exif_entry_initialize(entry, EXIF_TAG_ORIENTATION);
    exif_set_short(entry->data, EXIF_BYTE_ORDER_INTEL, ExifShort(exif->orientation));
    exif_entry_unref(entry);
    if (exif->thumbnail) {
        const auto thumb = encodeJpeg(*exif->thumbnail, 80);
        data->data = static_cast<unsigned char*>(std::malloc(thumb.size()));
        std::memcpy(data->data, thumb.data(), thumb.size());
        data->size = static_cast<unsigned int>(thumb.size());
    }
    unsigned char* saved = nullptr;
    unsigned int size = 0;
    exif_data_save_data(data, &saved, &size);
    exif_data_unref(data);
    std::vector<std::uint8_t> segment = {0xFF, 0xE1, std::uint8_t((size + 2) >> 8), std::uint8_t((size + 2) & 0xFF)};
    segment.insert(segment.end(), saved, saved + size);
    std::free(saved);
    file.insert(file.begin() + 2, segment.begin(), segment.end());
    return file;
}

std::vector<std::uint8_t> makePng(const LBitmap& picture, const char* format)
{
    const QImage image = toQImage(picture);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    const QByteArray& bytes = buffer.data();
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

bool hasExif(const std::vector<std::uint8_t>& file)
{
    return opc::inspectJpegHead(file).exifEnd != 0;
}

}  // namespace hf::test
