#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace hf {

// What a worker of the download reports to the user-interface thread. The
// values follow the program's private window messages.
enum class DownloadEvent : int {
    ConnectFailed = 1034,
    Connected = 1035,
    RollsListed = 1036,
    ThumbnailsDone = 1037,
    PictureDone = 1038,
    TransferFailed = 1039,
    // The worker has returned, after any message it had to show.
    WorkerEnded = 1040,
};

// A Connecting or Progress window while it is on screen. The worker's
// callbacks read the cancel flag and change the text or bar from their own
// thread; the window marshals that to the user-interface thread.
class ServiceWindowHandle {
public:
    virtual ~ServiceWindowHandle() = default;
    virtual const std::atomic<int>& cancelFlag() const = 0;
    virtual void setStatusText(const std::string& text) = 0;
    virtual void setPosition(int percent) = 0;
    // The program is ending: stop the call as Cancel would.
    virtual void cancel() = 0;
};

// The download's dialogs, windows and messages, and the road into the
// album. Everything but post() is called on the user-interface thread.
class DownloadUi {
public:
    virtual ~DownloadUi() = default;
    // Queues an event for DownloadWorkflow::handle on the user-interface
    // thread; callable from any thread.
    virtual void post(DownloadEvent event, int worker) = 0;

    virtual void loadProxySettings() = 0;
    // The sign-in; false when the user did not press Connect.
    virtual bool login(std::string& email, std::string& password) = 0;
    virtual std::unique_ptr<ServiceWindowHandle> openConnecting(const std::string& caption,
                                                                const std::string& status) = 0;
    virtual std::unique_ptr<ServiceWindowHandle> openProgress(const std::string& caption) = 0;
    // The chosen roll's name; none for Cancel.
    virtual std::optional<std::string> chooseRoll(const std::vector<std::string>& names) = 0;
    // The chosen thumbnail's 0-based number; -1 for Cancel or no choice.
    virtual int choosePicture(const std::filesystem::path& folder, int count) = 0;
    // A message on the Album window (user-interface thread).
    virtual void message(const std::string& text, const std::string& caption, int style) = 0;
    // A status code's message, from any thread: shown on the user-interface
    // thread without an owner while the caller waits.
    virtual void showStatus(std::int32_t code) = 0;
    // A message of the download's own, shown the same way from any thread.
    virtual void showMessage(const std::string& text, const std::string& caption) = 0;
    // Opens the downloaded picture in the editor and files it when saved.
    virtual void editPicture(const std::filesystem::path& file) = 0;
    // Whether a download is under way: its command is off meanwhile.
    virtual void downloadUnderWay(bool underWay) = 0;
};

}  // namespace hf
