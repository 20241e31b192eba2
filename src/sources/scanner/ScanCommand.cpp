#include "ScanCommand.h"

#include "AlbumWindow.h"
#include "PhotoIntake.h"
#include "ScanSession.h"
#include "ScanSourceDlg.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>

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

// The progress dialog: bytes read against the bytes expected, or a busy bar
// while the device cannot say how many lines come.
class ScanProgressDlg final : public QProgressDialog {
public:
    ScanProgressDlg(ScanSession& session, const ScanProgress& progress, QWidget* parent)
        : QProgressDialog(QStringLiteral("Scanning ..."), QStringLiteral("Cancel"), 0, 0, parent),
          progress_(progress)
    {
        setObjectName(QStringLiteral("scanProgress"));
        setWindowTitle(QString::fromLatin1(kScanImage));
        setWindowModality(Qt::ApplicationModal);
        // The dialog stays until the device has stopped, however it ends.
        setAutoClose(false);
        setAutoReset(false);
        setMinimumDuration(0);
        // Cancel asks the device to stop; the dialog stays until it has.
        disconnect(this, SIGNAL(canceled()), this, SLOT(cancel()));
        connect(this, &QProgressDialog::canceled, this, [this, &session] {
            session.cancel();
            setLabelText(QStringLiteral("Cancelling ..."));
            if (auto* button = findChild<QPushButton*>())
                button->setEnabled(false);
        });
        connect(&timer_, &QTimer::timeout, this, &ScanProgressDlg::update);
        timer_.start(50);
        update();
    }

    void reject() override { emit canceled(); }

protected:
    void closeEvent(QCloseEvent* event) override
    {
        event->ignore();
        emit canceled();
    }

private:
    void update()
    {
        const std::int64_t expected = progress_.expected;
        if (expected <= 0) {
            setRange(0, 0);
            return;
        }
        // The bar counts in KiB so that large scans fit an int.
        setRange(0, int(std::min<std::int64_t>(expected / 1024 + 1, INT32_MAX)));
        setValue(int(std::min<std::int64_t>(progress_.bytesRead / 1024, maximum())));
    }
    const ScanProgress& progress_;
    QTimer timer_;
};

}  // namespace

ScanCommand::ScanCommand(AlbumWindow& window, PhotoIntake& intake) : QObject(&window), window_(window), intake_(intake)
{
    connect(&window, &AlbumWindow::scanRequested, this, &ScanCommand::run);
}

void ScanCommand::run()
{
    if (intake_.refuseWhenFull())
        return;
    LBitmap picture;
    {
        ScanSession session;
        std::vector<ScanDevice> devices;
        runOnWorker([&] { devices = session.listDevices(); });
        if (devices.empty()) {
            window_.boxes().show(kNoDevices, kScanImage, MsgStyle::Exclamation);
            return;
        }

        // Closing the selection without a choice scans from the device it
        // preselected.
        int device = defaultDevice(devices, window_.profile());
        {
            CScanSourceDlg selection(devices, device, &window_);
            if (selection.exec() == QDialog::Accepted && selection.chosen() >= 0) {
                device = selection.chosen();
                rememberDevice(window_.profile(), devices[std::size_t(device)]);
            }
        }

        bool opened = false;
        runOnWorker([&] { opened = session.open(devices[std::size_t(device)].name); });
        if (!opened) {
            window_.boxes().show(kNotAvailable, kScanImage, MsgStyle::Exclamation);
            return;
        }

        ScanProgress progress;
        ScanProgressDlg dialog(session, progress, &window_);
        runOnWorker([&] { picture = session.read(progress); }, &dialog);
        // The reading thread has returned: the device is closed and the
        // library left before anything else happens.
        session.close();
    }
    if (!picture.IsAllocated()) {
        window_.boxes().show(kScanError, kScanImage, MsgStyle::Exclamation);
        return;
    }
    intake_.runEditor(std::move(picture), kNewPicture);
}

}  // namespace hf
