#pragma once

#include "LBitmap.h"

#include <QString>
#include <QStringList>

// Pictures of the picture editor at a given font resolution and of the file
// dialog, for the README.
namespace shots {

// Argument that makes the tool draw only the editor, in a process of its
// own: the font resolution is fixed when the application starts.
inline constexpr const char* kEditorOnly = "--editor-at-dpi";

// Runs this tool again with QT_FONT_DPI set to dpi to draw the editor into
// file; false when that run failed.
bool editorAtDpi(int dpi, const QString& file, const QStringList& photoArgument);
// The editor, with the photo, saved to file at the current font resolution.
bool editorShot(const hf::LBitmap& photo, const QString& file);
// The file dialog on a folder of photos made from the photo, one chosen.
bool fileDialogShot(const hf::LBitmap& photo, const QString& file);

}  // namespace shots
