#include "ImageIO.h"

#include "BmpRle.h"
#include "FileBytes.h"
#include "HeifDecoder.h"
#include "JpegDecoder.h"
#include "JxlDecoder.h"
#include "Truncation.h"

#include <QBuffer>
#include <QColor>
#include <QImageReader>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <span>

namespace hf {
namespace {

// Qt's readers refuse to allocate more than this many megabytes; ours is
// four bytes a pixel at the size limit, which is what most readers decode
// into before we take the picture over.
constexpr int kAllocationLimitMb = int(kMaxPicturePixels * 4 / (std::int64_t{1024} * 1024)) + 1;

bool withinLimit(QSize size)
{
    return size.width() > 0 && size.height() > 0 && std::int64_t(size.width()) * size.height() <= kMaxPicturePixels;
}

// The name's suffix helps Qt pick a reader for formats it cannot tell by
// their first bytes; the content still decides where it can.
std::string formatHintOf(const std::filesystem::path& path)
{
    std::string suffix = path.extension().string();
    if (!suffix.empty())
        suffix.erase(0, 1);
    std::transform(suffix.begin(), suffix.end(), suffix.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return suffix;
}

int depthFor(int colours)
{
    return colours <= 2 ? 1 : colours <= 4 ? 2 : colours <= 16 ? 4 : 8;
}

Rgb rgbOf(QRgb c)
{
    return {std::uint8_t(qRed(c)), std::uint8_t(qGreen(c)), std::uint8_t(qBlue(c))};
}

LBitmap fromIndexed(const QImage& image)
{
    // Qt's colour tables may be shorter than the indices used in a damaged
    // file; such pixels take entry 0.
    std::vector<Rgb> palette;
    for (QRgb c : image.colorTable())
        palette.push_back(rgbOf(c));
    if (palette.empty())
        palette = {kBlack, Rgb{255, 255, 255}};
    palette.resize(std::min<std::size_t>(palette.size(), 256));
    LBitmap out = LBitmap::indexed(image.width(), image.height(), depthFor(int(palette.size())), palette,
                                   LBitmap::Pixels::ToBeWritten);
    if (!out.IsAllocated())
        return out;
    const QImage bytes =
        image.format() == QImage::Format_Indexed8 ? image : image.convertToFormat(QImage::Format_Indexed8);
    for (int y = 0; y < out.GetHeight(); ++y) {
        const uchar* from = bytes.constScanLine(y);
        std::uint8_t* to = out.row(y);
        for (int x = 0; x < out.GetWidth(); ++x)
            to[x] = from[x] < palette.size() ? from[x] : 0;
    }
    return out;
}

LBitmap fromGray(const QImage& image)
{
    const QImage gray =
        image.format() == QImage::Format_Grayscale8 ? image : image.convertToFormat(QImage::Format_Grayscale8);
    LBitmap out = LBitmap::indexed(gray.width(), gray.height(), 8, grayPalette(), LBitmap::Pixels::ToBeWritten);
    for (int y = 0; y < out.GetHeight(); ++y)
        std::memcpy(out.row(y), gray.constScanLine(y), out.rowBytes());
    return out;
}

std::uint8_t onWhite(int value, int alpha)
{
    return std::uint8_t((value * alpha + 255 * (255 - alpha) + 127) / 255);
}

LBitmap fromRgb(const QImage& image)
{
    LBitmap out = LBitmap::rgb(image.width(), image.height(), LBitmap::Pixels::ToBeWritten);
    if (!out.IsAllocated())
        return out;
    const bool alpha = image.hasAlphaChannel();
    const QImage::Format format = image.format();
    if (alpha || format == QImage::Format_RGB32 || format == QImage::Format_ARGB32) {
        // The common case straight from the decoders, converted here in one
        // pass rather than through another full-size QImage.
        const QImage argb =
            alpha && format != QImage::Format_ARGB32 ? image.convertToFormat(QImage::Format_ARGB32) : image;
        for (int y = 0; y < out.GetHeight(); ++y) {
            const QRgb* from = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
            std::uint8_t* to = out.row(y);
            for (int x = 0; x < out.GetWidth(); ++x, to += 3) {
                const QRgb c = from[x];
                if (alpha) {
                    to[0] = onWhite(qRed(c), qAlpha(c));
                    to[1] = onWhite(qGreen(c), qAlpha(c));
                    to[2] = onWhite(qBlue(c), qAlpha(c));
                } else {
                    to[0] = std::uint8_t(qRed(c));
                    to[1] = std::uint8_t(qGreen(c));
                    to[2] = std::uint8_t(qBlue(c));
                }
            }
        }
        return out;
    }
    const QImage rgb = format == QImage::Format_RGB888 ? image : image.convertToFormat(QImage::Format_RGB888);
    for (int y = 0; y < out.GetHeight(); ++y)
        std::memcpy(out.row(y), rgb.constScanLine(y), out.rowBytes());
    return out;
}

}  // namespace

LBitmap fromQImage(const QImage& image)
{
    if (image.isNull() || !withinLimit(image.size()))
        return {};
    switch (image.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
    case QImage::Format_Indexed8:
        // An indexed picture with transparent entries is laid on white like
        // any other; the palette cannot say "see through".
        if (!image.hasAlphaChannel())
            return fromIndexed(image);
        return fromRgb(image);
    case QImage::Format_Grayscale8:
    case QImage::Format_Grayscale16:
        return fromGray(image);
    default:
        return fromRgb(image);
    }
}

void setPictureLimits()
{
    // Process-wide; set once, before any reader runs, so that every road in
    // (files, the clipboard, a store) has the same limit.
    static const bool set = [] {
        QImageReader::setAllocationLimit(kAllocationLimitMb);
        return true;
    }();
    (void)set;
}

namespace {

// Qt's readers take the file from a device a piece at a time as they
// decode (a PNG one IDAT chunk after another); a device that fails its
// reads once the stop says so ends their decode there.
class StoppableBuffer final : public QBuffer {
public:
    explicit StoppableBuffer(const DecodeStop& stop) : stop_(stop) {}

protected:
    qint64 readData(char* data, qint64 size) override { return stopNow(stop_) ? -1 : QBuffer::readData(data, size); }

private:
    const DecodeStop& stop_;
};

// minSide above 0 lets the decoders that can work at a reduced scale
// (JPEG's DCT scaling, a HEIF file's own thumbnails) stop at that size.
LBitmap decodeAtLeast(std::span<const std::uint8_t> bytes, const std::string& formatHint, int minSide,
                      const DecodeStop& stop)
{
    setPictureLimits();
    if (bytes.empty() || looksTruncated(bytes) || declaresMoreThanItHolds(bytes) || stopNow(stop))
        return {};
    // Formats Qt has no reader for, and that no other reader may try.
    if (isHeif(bytes))
        return minSide > 0 ? decodeHeifPreview(bytes, minSide, stop) : decodeHeif(bytes, stop);
    if (isJxl(bytes))
        return decodeJxl(bytes, stop);
    {
        LBitmap picture;
        switch (decodeRleBmp(bytes, picture)) {
        case RleResult::Decoded:
            return picture;
        case RleResult::Failed:
            return {};
        case RleResult::NotRle:
            break;
        }
    }

    const QByteArray data =
        QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
    StoppableBuffer buffer(stop);
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    // The content decides; the name's suffix only helps with formats Qt
    // cannot tell by their first bytes.
    QImageReader reader(&buffer);
    if (!reader.canRead() && !formatHint.empty()) {
        buffer.seek(0);
        reader.setFormat(QByteArray::fromStdString(formatHint));
    }
    reader.setAutoTransform(true);
    // A declared size over the limit is refused before anything is decoded.
    const QSize declared = reader.size();
    if (declared.isValid() && !withinLimit(declared))
        return {};

    const bool jpeg = bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF;
    if (jpeg) {
        LBitmap picture;
        switch (decodeJpeg(bytes, picture, minSide, stop)) {
        case JpegResult::Decoded: {
            const QImageIOHandler::Transformations turn = reader.transformation();
            return oriented(std::move(picture), {turn.testFlag(QImageIOHandler::TransformationMirror),
                                                 turn.testFlag(QImageIOHandler::TransformationFlip),
                                                 turn.testFlag(QImageIOHandler::TransformationRotate90)});
        }
        case JpegResult::Failed:
            // Never Qt's reader: it would show what our decoder refused.
            return {};
        case JpegResult::Unsupported:
            break;
        }
    }
    QImage image;
    if (!reader.read(&image) || stopNow(stop))
        return {};
    return fromQImage(image);
}

}  // namespace

LBitmap decodePicture(std::span<const std::uint8_t> bytes, const std::string& formatHint)
{
    return decodeAtLeast(bytes, formatHint, 0, {});
}

LBitmap decodeSmallPicture(std::span<const std::uint8_t> bytes, int maxSide, const DecodeStop& stop)
{
    LBitmap picture = decodeAtLeast(bytes, {}, maxSide, stop);
    if (stopNow(stop))
        return {};
    return fittedInside(picture, maxSide);
}

std::vector<std::uint8_t> encodeJpeg(const LBitmap& picture, int quality)
{
    const QImage image = toQImage(picture);
    if (image.isNull())
        return {};
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "JPG", quality))
        return {};
    const QByteArray& bytes = buffer.data();
    return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

LBitmap loadBitmap(const std::filesystem::path& path)
{
    const std::optional<std::vector<std::uint8_t>> bytes = readPictureFile(path);
    if (!bytes)
        return {};
    return decodePicture(*bytes, formatHintOf(path));
}

QStringList readablePictureNamePatterns()
{
    QStringList patterns;
    for (const QByteArray& format : QImageReader::supportedImageFormats())
        patterns << QStringLiteral("*.") + QString::fromLatin1(format);
    // Ours: Qt has no readers for what phones write today.
    for (const char* suffix : {"heic", "heif", "hif", "avif", "jxl"})
        patterns << QStringLiteral("*.") + QLatin1String(suffix);
    patterns.removeDuplicates();
    return patterns;
}

QImage previewOf(const std::filesystem::path& path, QSize box)
{
    const std::optional<std::vector<std::uint8_t>> bytes = readPictureFile(path);
    if (!bytes)
        return {};
    QImage picture = toQImage(isHeif(*bytes) ? decodeHeifPreview(*bytes, std::max(box.width(), box.height()))
                                             : decodePicture(*bytes, formatHintOf(path)));
    if (picture.isNull() || box.isEmpty())
        return picture;
    return picture.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

QImage toQImage(const LBitmap& bitmap)
{
    if (!bitmap.IsAllocated())
        return {};
    if (bitmap.isIndexed()) {
        QImage image(bitmap.GetWidth(), bitmap.GetHeight(), QImage::Format_Indexed8);
        if (image.isNull())
            return {};
        QList<QRgb> table;
        for (const Rgb& c : bitmap.palette())
            table.push_back(qRgb(c.r, c.g, c.b));
        image.setColorTable(table);
        for (int y = 0; y < bitmap.GetHeight(); ++y)
            std::memcpy(image.scanLine(y), bitmap.row(y), bitmap.rowBytes());
        return image;
    }
    QImage image(bitmap.GetWidth(), bitmap.GetHeight(), QImage::Format_RGB888);
    if (image.isNull())
        return {};
    for (int y = 0; y < bitmap.GetHeight(); ++y)
        std::memcpy(image.scanLine(y), bitmap.row(y), bitmap.rowBytes());
    return image;
}

}  // namespace hf
