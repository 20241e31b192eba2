#pragma once

#include <QFont>
#include <QImage>
#include <QSize>
#include <QString>

#include <filesystem>

namespace hf {

// The preview pane's picture: the top-left 160 x 160 pixels of a picture file
// (the whole of one the editor made), centred on black.
QImage previewImage(const std::filesystem::path& pictureFile, QSize pane);

// The pane's empty state: the text centred on green.
QImage emptyStateImage(QSize pane, const QString& text, const QFont& font);

}  // namespace hf
