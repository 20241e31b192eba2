#include "ClipboardPicture.h"

#include "ImageIO.h"

#include <QFile>
#include <QImage>
#include <QMimeData>
#include <QUrl>

namespace hf {
namespace {

bool offersImageFormat(const QMimeData& data)
{
    if (data.hasImage())
        return true;
    for (const QString& format : data.formats()) {
        if (format.startsWith(QLatin1String("image/")))
            return true;
    }
    return false;
}

}  // namespace

ClipboardPicture::ClipboardPicture(const QMimeData* data) : data_(data)
{
    if (!data_)
        return;
    if (offersImageFormat(*data_)) {
        ready_ = true;
        return;
    }
    if (!data_->hasUrls())
        return;
    const QList<QUrl> urls = data_->urls();
    if (urls.size() != 1 || !urls.front().isLocalFile())
        return;
    // Only a file the decoder reads is an image; anything else is text as
    // far as the user is concerned.
    file_ = loadBitmap(QFile::encodeName(urls.front().toLocalFile()).toStdString());
    ready_ = file_.IsAllocated();
}

LBitmap ClipboardPicture::paste() const
{
    if (!ready_)
        return {};
    if (file_.IsAllocated())
        return file_;
    // Qt's own conversion first; where it has none, each offered image
    // format by its bytes.
    if (data_->hasImage()) {
        if (LBitmap picture = fromQImage(qvariant_cast<QImage>(data_->imageData())); picture.IsAllocated())
            return picture;
    }
    for (const QString& format : data_->formats()) {
        if (!format.startsWith(QLatin1String("image/")))
            continue;
        const QByteArray bytes = data_->data(format);
        if (LBitmap picture = fromQImage(QImage::fromData(bytes)); picture.IsAllocated())
            return picture;
    }
    return {};
}

}  // namespace hf
