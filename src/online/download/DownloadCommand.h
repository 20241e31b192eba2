#pragma once

#include "DownloadWorkflow.h"
#include "OwnerlessBoxes.h"
#include "ProxySettings.h"
#include "ServiceUi.h"

#include <QObject>

#include <atomic>
#include <memory>

namespace hf {

class PhotoSourceHost;
class Profile;

// "Download from the photo store": the workflow's dialogs, windows and
// events on the user-interface thread. A child of the host's window; adds
// its command to the File menu.
class DownloadCommand final : public QObject, private DownloadUi, private UiDispatcher, private ProxyDialogRunner {
    Q_OBJECT
public:
    DownloadCommand(PhotoSourceHost& host, std::unique_ptr<InternetSettings> windowsSettings);
    ~DownloadCommand() override;
    Q_DISABLE_COPY_MOVE(DownloadCommand)

    void download();
    DownloadWorkflow& workflow() { return workflow_; }
    ProxySettings& proxySettings() { return proxy_; }

protected:
    void customEvent(QEvent* event) override;

private:
    // DownloadUi
    void post(DownloadEvent event, int worker) override;
    void loadProxySettings() override;
    bool login(std::string& email, std::string& password) override;
    std::unique_ptr<ServiceWindowHandle> openConnecting(const std::string& caption, const std::string& status) override;
    std::unique_ptr<ServiceWindowHandle> openProgress(const std::string& caption) override;
    std::optional<std::string> chooseRoll(const std::vector<std::string>& names) override;
    int choosePicture(const std::filesystem::path& folder, int count) override;
    void message(const std::string& text, const std::string& caption, int style) override;
    void showStatus(std::int32_t code) override;
    void showMessage(const std::string& text, const std::string& caption) override;
    void editPicture(const std::filesystem::path& file) override;
    void downloadUnderWay(bool underWay) override;
    // UiDispatcher
    void runAndWait(const std::function<void()>& work) override;
    // ProxyDialogRunner
    bool runProxyDialog() override;

    void shutdown();

    PhotoSourceHost& host_;
    Profile& profile_;
    std::unique_ptr<InternetSettings> windowsSettings_;
    ProxySettings proxy_;
    OwnerlessBoxes ownerless_;
    UiThreadMessageBoxes workerBoxes_{ownerless_, *this};
    ProxyAnswerer answerer_{proxy_, workerBoxes_, *this};
    std::atomic<bool> shuttingDown_{false};
    std::string server_;  // the store of the download under way
    DownloadWorkflow workflow_{*this};
};

}  // namespace hf
