#include "ScanCommand.h"

#include "PhotoSourceHost.h"
#include "ScanProgressDlg.h"
#include "ScanSourceDlg.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QWidget>

#include <filesystem>
#include <functional>
#include <thread>

#include <unistd.h>

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

ScanCommand::ScanCommand(PhotoSourceHost& host, ScanHelperSetup helper)
    : QObject(host.owner()), host_(host), helper_(std::move(helper))
{
    host.addSourceCommand({32773, "&Get Photo from Scanner or Camera ...", [this] { run(); }});
}

ScanHelperSetup ScanCommand::installedScanHelper()
{
    constexpr const char* kHelper = "handfolio-scan-helper";
    const std::filesystem::path folder = QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString();
    ScanHelperSetup setup;
    setup.program = folder / kHelper;
    if (::access(setup.program.c_str(), X_OK) != 0)
        setup.program = (folder / HANDFOLIO_SCAN_HELPER_DIR / kHelper).lexically_normal();
    return setup;
}

void ScanCommand::run()
{
    if (host_.refuseWhenFull())
        return;
    ScanProcess session(helper_);
    const char* failure = nullptr;
    LBitmap picture = acquire(session, failure);
    // The helper is gone, the device closed and the library left before
    // anything else happens; one that is stuck is ended meanwhile.
    runOnWorker([&] { session.close(); });
    if (failure) {
        host_.boxes().show(failure, kScanImage, MsgStyle::Exclamation);
        return;
    }
    editNewPhoto(host_, std::move(picture), kNewPicture);
}

LBitmap ScanCommand::acquire(ScanProcess& session, const char*& failure)
{
    std::vector<ScanDevice> devices;
    runOnWorker([&] { devices = session.listDevices(); });
    if (devices.empty()) {
        failure = kNoDevices;
        return {};
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
        failure = kNotAvailable;
        return {};
    }

    ScanProgress progress;
    ScanProgressDlg dialog([&session] { session.cancel(); }, progress, host_.owner());
    LBitmap picture;
    runOnWorker([&] { picture = session.read(progress); }, &dialog);
    if (!picture.IsAllocated())
        failure = kScanError;
    return picture;
}

}  // namespace hf
