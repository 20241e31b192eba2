#pragma once

#include <QObject>

namespace hf {

class AlbumWindow;
class PhotoIntake;

// Get Photo from Scanner or Camera: lists the devices, lets the user pick
// one, reads one image from it with a progress dialog and hands it to the
// picture editor. The device work runs on a worker thread so the windows
// keep painting; the command stays modal throughout.
class ScanCommand final : public QObject {
    Q_OBJECT
public:
    // A child of the window; answers its scanRequested signal.
    ScanCommand(AlbumWindow& window, PhotoIntake& intake);

    void run();

private:
    AlbumWindow& window_;
    PhotoIntake& intake_;
};

}  // namespace hf
