#pragma once

#include <QObject>

namespace hf {

class PhotoSourceHost;

// Get Photo from Scanner or Camera: lists the devices, lets the user pick
// one, reads one image from it with a progress dialog and hands it to the
// picture editor. The device work runs on a worker thread so the windows
// keep painting; the command stays modal throughout.
class ScanCommand final : public QObject {
    Q_OBJECT
public:
    // A child of the host's window; adds its command to the File menu.
    explicit ScanCommand(PhotoSourceHost& host);

    void run();

private:
    PhotoSourceHost& host_;
};

}  // namespace hf
