#pragma once

#include <QFont>
#include <QImage>
#include <QSize>
#include <QString>

#include <filesystem>

namespace hf {

// What a view of the given logical size shows of a handheld picture on a
// screen of the given device pixel ratio: an image of the view's size in
// device pixels (its ratio set), the surround colour, and the picture's
// top-left 160 x 160 pixels centred. Each picture pixel is a square of
// whole device pixels (the ratio rounded, at least one), never blended, so
// the screen shows exactly the handheld's colours. At ratio 1 these are the
// view's own pixels.
QImage handheldView(const QImage& picture, QSize view, QRgb surround, qreal ratio = 1);

// The preview pane's picture: a picture file (the whole of one the editor
// made) as handheldView shows it, on black.
QImage previewImage(const std::filesystem::path& pictureFile, QSize pane, qreal ratio = 1);

// The pane's empty state: the text centred on green, drawn in device pixels.
QImage emptyStateImage(QSize pane, const QString& text, const QFont& font, qreal ratio = 1);

}  // namespace hf
