#include "ScanCommand.h"

#include "PhotoSourceHost.h"
#include "ScanSession.h"
#include "ScanProgressDlg.h"
#include "ScanSourceDlg.h"

#include <QEventLoop>
#include <QWidget>

#include <functional>
#include <thread>

namespace hf {
namespace {

constexpr const char* kScanImage = "Scan Image";
constexpr const char* kNoDevices = "No scanning devices are available";
constexpr const char* kNotAvailable =
    "The scanning device or camera is not currently available.\n\nPlease make sure it is plugged in and on line.";
constexpr const char* kScanError = "There was an error scanning the image.";
constexpr const char* kNewPicture = "New Picture";

// Runs work on a worker thread and returns once it has returned. Meanwhile
// the windows are repainted; user input goes only to the modal dialog when
// one is given, and nowhere otherwise.
void runOnWorker(const std::function<void()>& work, QDialog* dialog = nullptr)
{
    QEventLoop loop;
    std::jthread worker([&] {
        work();
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    if (dialog)
        dialog->show();
    loop.exec(dialog ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
    if (dialog)
        dialog->hide();
}

}  // namespace

ScanCommand::ScanCommand(PhotoSourceHost& host) : QObject(host.owner()), host_(host)
{
    host.addSourceCommand({32773, "&Get Photo from Scanner or Camera ...", [this] { run(); }});
}

void ScanCommand::run()
{
    if (host_.refuseWhenFull())
        return;
    LBitmap picture;
    {
        ScanSession session;
        std::vector<ScanDevice> devices;
        runOnWorker([&] { devices = session.listDevices(); });
        if (devices.empty()) {
            host_.boxes().show(kNoDevices, kScanImage, MsgStyle::Exclamation);
            return;
        }

        // Closing the selection without a choice scans from the device it
        // preselected.
        int device = defaultDevice(devices, host_.profile());
        {
            CScanSourceDlg selection(devices, device, host_.owner());
            if (selection.exec() == QDialog::Accepted && selection.chosen() >= 0) {
                device = selection.chosen();
                rememberDevice(host_.profile(), devices[std::size_t(device)]);
            }
        }

        bool opened = false;
        runOnWorker([&] { opened = session.open(devices[std::size_t(device)].name); });
        if (!opened) {
            host_.boxes().show(kNotAvailable, kScanImage, MsgStyle::Exclamation);
            return;
        }

        ScanProgress progress;
        ScanProgressDlg dialog([&session] { session.cancel(); }, progress, host_.owner());
        runOnWorker([&] { picture = session.read(progress); }, &dialog);
        // The reading thread has returned: the device is closed and the
        // library left before anything else happens.
        session.close();
    }
    if (!picture.IsAllocated()) {
        host_.boxes().show(kScanError, kScanImage, MsgStyle::Exclamation);
        return;
    }
    editNewPhoto(host_, std::move(picture), kNewPicture);
}

}  // namespace hf
