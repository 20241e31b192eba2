#include "DownloadCommand.h"

#include "DefaultServer.h"
#include "ImageIO.h"
#include "PhotoChooserDlg.h"
#include "PhotoSourceHost.h"
#include "ProxyDlg.h"
#include "QtText.h"
#include "ServiceDialogs.h"
#include "ServiceWindows.h"
#include "StatusMessages.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QThread>
#include <QWidget>

#include <chrono>
#include <future>

namespace hf {
namespace {

class DownloadQEvent final : public QEvent {
public:
    static constexpr QEvent::Type kType = static_cast<QEvent::Type>(QEvent::User + 1034);
    DownloadQEvent(DownloadEvent e, int w) : QEvent(kType), event(e), worker(w) {}
    DownloadEvent event;
    int worker;
};

// A Connecting or Progress window as the workflow sees it.
template <typename Window> class WindowHandle final : public ServiceWindowHandle {
public:
    explicit WindowHandle(std::unique_ptr<Window> window) : window_(std::move(window)) {}
    const std::atomic<int>& cancelFlag() const override { return window_->cancelFlag(); }
    void setStatusText(const std::string& text) override
    {
        if constexpr (std::is_same_v<Window, CConnectingWnd>)
            window_->setStatusText(text);
    }
    void setPosition(int percent) override
    {
        if constexpr (std::is_same_v<Window, CProgressWnd>)
            window_->setPosition(percent);
    }
    void cancel() override { window_->cancelFlag().store(1); }
    Window& window() { return *window_; }

private:
    std::unique_ptr<Window> window_;
};

}  // namespace

DownloadCommand::DownloadCommand(PhotoSourceHost& host, std::unique_ptr<InternetSettings> windowsSettings)
    : QObject(host.owner()), host_(host), profile_(host.profile()), windowsSettings_(std::move(windowsSettings))
{
    setProxyAnswerer(&answerer_);
    host.addSourceCommand({32784, "Download from &Kodak PhotoNet online ...", [this] { download(); }, true});
    // The workflow must end while the windows it shows still exist.
    host.whenClosing([self = QPointer<DownloadCommand>(this)] {
        if (self)
            self->shutdown();
    });
}

DownloadCommand::~DownloadCommand()
{
    shutdown();
    setProxyAnswerer(nullptr);
}

void DownloadCommand::shutdown()
{
    if (shuttingDown_.exchange(true))
        return;
    ownerless_.closeAll();
    workflow_.shutdown();
}

void DownloadCommand::download()
{
    if (host_.refuseWhenFull())
        return;
    const std::optional<std::string> server = defaultServerHost(profile_);
    if (!server) {
        host_.boxes().show("The photo store's address in the settings (section \"PhotoNet\", value \"Server\") is "
                           "too long.",
                           "Handfolio", MsgStyle::Exclamation);
        return;
    }
    server_ = *server;
    workflow_.start(server_, host_.programFolder());
}

void DownloadCommand::customEvent(QEvent* event)
{
    if (event->type() != DownloadQEvent::kType)
        return;
    const auto* e = static_cast<DownloadQEvent*>(event);
    if (!shuttingDown_)
        workflow_.handle(e->event, e->worker);
}

void DownloadCommand::post(DownloadEvent event, int worker)
{
    QCoreApplication::postEvent(this, new DownloadQEvent(event, worker));
}

void DownloadCommand::loadProxySettings()
{
    hf::loadProxySettings(proxy_, profile_, *windowsSettings_);
}

bool DownloadCommand::login(std::string& email, std::string& password)
{
    CLoginDlg dialog(server_, host_.owner());
    dialog.setAccount(email, password);
    dialog.openProxyDialog = [this, &dialog] {
        CProxyDlg proxy(proxy_, profile_, *windowsSettings_, host_.boxes(), &dialog);
        proxy.exec();
    };
    if (dialog.exec() != QDialog::Accepted)
        return false;
    email = dialog.email();
    password = dialog.password();
    return true;
}

std::unique_ptr<ServiceWindowHandle> DownloadCommand::openConnecting(const std::string& caption,
                                                                     const std::string& status)
{
    return std::make_unique<WindowHandle<CConnectingWnd>>(
        std::make_unique<CConnectingWnd>(host_.owner(), toQString(caption), toQString(status)));
}

std::unique_ptr<ServiceWindowHandle> DownloadCommand::openProgress(const std::string& caption)
{
    return std::make_unique<WindowHandle<CProgressWnd>>(
        std::make_unique<CProgressWnd>(host_.owner(), toQString(caption)));
}

std::optional<std::string> DownloadCommand::chooseRoll(const std::vector<std::string>& names)
{
    CRollsDlg dialog(names, host_.boxes(), host_.owner());
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.chosenRoll();
}

int DownloadCommand::choosePicture(const std::filesystem::path& folder, int count)
{
    CPhotoChooserDlg dialog(folder, count, host_.boxes(), host_.owner());
    dialog.loadThumbnails();
    if (dialog.exec() != QDialog::Accepted)
        return -1;
    return dialog.chosenIndex();
}

void DownloadCommand::message(const std::string& text, const std::string& caption, int style)
{
    host_.boxes().show(text, caption, static_cast<MsgStyle>(style));
}

void DownloadCommand::showStatus(std::int32_t code)
{
    showStatusMessage(code, workerBoxes_);
}

void DownloadCommand::showMessage(const std::string& text, const std::string& caption)
{
    workerBoxes_.show(text, caption, MsgStyle::Exclamation);
}

void DownloadCommand::editPicture(const std::filesystem::path& file)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    LBitmap picture = loadBitmap(file);
    QApplication::restoreOverrideCursor();
    if (!picture.IsAllocated()) {
        host_.boxes().show("There was an error reading the picture file.", "Add Photo", MsgStyle::Exclamation);
        return;
    }
    editNewPhoto(host_, std::move(picture), "New Picture");
}

void DownloadCommand::downloadUnderWay(bool underWay)
{
    host_.setCommandBlocked(32784, underWay);
}

void DownloadCommand::runAndWait(const std::function<void()>& work)
{
    if (QThread::currentThread() == thread()) {
        work();
        return;
    }
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> finished = done->get_future();
    QMetaObject::invokeMethod(
        this,
        [this, work, done] {
            // At the program's end the worker no longer waits: nothing of
            // what it asked may run then.
            if (!shuttingDown_)
                work();
            done->set_value();
        },
        Qt::QueuedConnection);
    while (finished.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
        if (shuttingDown_)
            return;
    }
}

bool DownloadCommand::runProxyDialog()
{
    bool ok = false;
    runAndWait([this, &ok] {
        // Without a parent, and blocking nothing but itself.
        CProxyDlg dialog(proxy_, profile_, *windowsSettings_, ownerless_, nullptr);
        dialog.setWindowModality(Qt::NonModal);
        QEventLoop loop;
        connect(&dialog, &QDialog::finished, &loop, &QEventLoop::quit);
        dialog.show();
        loop.exec();
        ok = dialog.result() == QDialog::Accepted;
    });
    return ok;
}

}  // namespace hf
