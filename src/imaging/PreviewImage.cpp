#include "PreviewImage.h"

#include "ImageIO.h"

#include <QPainter>

namespace hf {

QImage previewImage(const std::filesystem::path& pictureFile, QSize pane)
{
    QImage canvas(pane, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    const QImage picture = toQImage(loadBitmap(pictureFile));
    if (picture.isNull())
        return canvas;
    QPainter p(&canvas);
    p.drawImage(QPoint((pane.width() - 160) / 2, (pane.height() - 160) / 2), picture, QRect(0, 0, 160, 160));
    return canvas;
}

QImage emptyStateImage(QSize pane, const QString& text, const QFont& font)
{
    QImage canvas(pane, QImage::Format_RGB32);
    canvas.fill(QColor(0, 128, 0));
    QPainter p(&canvas);
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(canvas.rect(), Qt::AlignCenter | Qt::TextSingleLine, text);
    return canvas;
}

}  // namespace hf
