#pragma once

#include <QObject>

namespace hf {

class PhotoSourceHost;

// "Paste from Clipboard": the image on the clipboard, through the editor,
// into the album.
class PasteCommand final : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kCaption = "Copy from Clipboard";

    // A child of the host's window; adds its command to the File menu.
    explicit PasteCommand(PhotoSourceHost& host);
    void paste();

private:
    PhotoSourceHost& host_;
};

}  // namespace hf
