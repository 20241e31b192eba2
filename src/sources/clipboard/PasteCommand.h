#pragma once

#include <QObject>

namespace hf {

class AlbumWindow;
class PhotoIntake;

// "Paste from Clipboard": the image on the clipboard, through the editor,
// into the album.
class PasteCommand final : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kCaption = "Copy from Clipboard";

    PasteCommand(AlbumWindow& window, PhotoIntake& intake);
    void paste();

private:
    AlbumWindow& window_;
    PhotoIntake& intake_;
};

}  // namespace hf
