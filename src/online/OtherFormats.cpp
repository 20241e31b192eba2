#include "OtherFormats.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>

#include <cstring>

namespace hf::opc {

std::optional<RgbPicture> decodeOtherFormat(Bytes file, int maxSide)
{
    constexpr qint64 kMaxPixels = 200'000'000;
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(file.data()), qsizetype(file.size()));
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    QImageReader::setAllocationLimit(1024);
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() > kMaxPixels)
        return std::nullopt;
    QImage image;
    if (!reader.read(&image) || image.isNull())
        return std::nullopt;
    image = image.convertToFormat(QImage::Format_RGB888);
    RgbPicture picture{image.width(), image.height(), {}};
    picture.pixels.resize(std::size_t(picture.width) * std::size_t(picture.height) * 3);
    for (int y = 0; y < picture.height; ++y)
        std::memcpy(&picture.pixels[std::size_t(y) * std::size_t(picture.width) * 3], image.constScanLine(y),
                    std::size_t(picture.width) * 3);
    return fitInside(picture, maxSide);
}

}  // namespace hf::opc
