#pragma once

#include "LBitmap.h"
#include "ScanProcess.h"

#include <QObject>

namespace hf {

class PhotoSourceHost;

// Get Photo from Scanner or Camera: lists the devices, lets the user pick
// one, reads one image from it with a progress dialog and hands it to the
// picture editor. The device library runs in the scan helper, and every
// call on it waits on a worker thread so the windows keep painting; the
// command stays modal throughout.
class ScanCommand final : public QObject {
    Q_OBJECT
public:
    // A child of the host's window; adds its command to the File menu.
    explicit ScanCommand(PhotoSourceHost& host, ScanHelperSetup helper = installedScanHelper());

    void run();

    // The helper beside the program (the build tree), else the one in the
    // program's helper folder of the same install.
    static ScanHelperSetup installedScanHelper();

private:
    // The scanned picture, or the message that says why there is none.
    LBitmap acquire(ScanProcess& session, const char*& failure);

    PhotoSourceHost& host_;
    ScanHelperSetup helper_;
};

}  // namespace hf
