#include "PreviewImage.h"

#include "ImageIO.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace hf {
namespace {

constexpr int kHandheldSide = 160;

QSize devicePixels(QSize logical, qreal ratio)
{
    return QSize(int(std::lround(logical.width() * ratio)), int(std::lround(logical.height() * ratio)));
}

}  // namespace

QImage handheldView(const QImage& picture, QSize view, QRgb surround, qreal ratio)
{
    QImage canvas(devicePixels(view, ratio), QImage::Format_RGB32);
    canvas.fill(surround);
    canvas.setDevicePixelRatio(ratio);
    if (picture.isNull())
        return canvas;
    const QImage pixels =
        picture.copy(0, 0, std::min(picture.width(), kHandheldSide), std::min(picture.height(), kHandheldSide))
            .convertToFormat(QImage::Format_RGB32);
    const int side = std::max(1, int(std::lround(ratio)));
    // Centred in device pixels, rounding toward zero as the view's own
    // arithmetic does; each picture pixel copied into side x side pixels.
    const int left = (canvas.width() - kHandheldSide * side) / 2;
    const int top = (canvas.height() - kHandheldSide * side) / 2;
    for (int y = std::max(0, top); y < std::min(canvas.height(), top + pixels.height() * side); ++y) {
        const auto* from = reinterpret_cast<const QRgb*>(pixels.constScanLine((y - top) / side));
        auto* to = reinterpret_cast<QRgb*>(canvas.scanLine(y));
        for (int x = std::max(0, left); x < std::min(canvas.width(), left + pixels.width() * side); ++x)
            to[x] = from[(x - left) / side];
    }
    return canvas;
}

QImage previewImage(const std::filesystem::path& pictureFile, QSize pane, qreal ratio)
{
    return handheldView(toQImage(loadBitmap(pictureFile)), pane, qRgb(0, 0, 0), ratio);
}

QImage emptyStateImage(QSize pane, const QString& text, const QFont& font, qreal ratio)
{
    QImage canvas(devicePixels(pane, ratio), QImage::Format_RGB32);
    canvas.setDevicePixelRatio(ratio);
    canvas.fill(QColor(0, 128, 0));
    QPainter p(&canvas);
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(QRect(QPoint(0, 0), pane), Qt::AlignCenter | Qt::TextSingleLine, text);
    return canvas;
}

}  // namespace hf
