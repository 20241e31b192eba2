#pragma once

#include "DownloadUi.h"
#include "OpcClient.h"

#include <array>
#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace hf {

// The fixed records the download shares with the client library. A worker
// fills them while the user-interface thread goes on; the user-interface
// thread reads them only after the worker's event has arrived.
struct DownloadState {
    char email[100] = {};
    char password[100] = {};
    char folder[256] = {};
    std::int32_t session = 0;
    char serverHost[104] = {};
    std::int32_t serverPort = 0;
    std::int32_t rollCount = 0;
    char rollName[104] = {};
    std::int32_t thumbnailCount = 0;
    std::atomic<int> animationStep{0};
    opc::RollListRequest rollRequest{};
    std::array<opc::RollEntry, opc::kMaxRolls> rolls{};
    opc::TransferRequest thumbnailRequest{};
    std::array<opc::ThumbnailEntry, opc::kMaxThumbnails> thumbnails{};
    opc::TransferRequest pictureRequest{};
    opc::PictureDescriptor picture{};
    opc::RollLocation location{};
};

// The download from the photo store: a chain of workers, one at a time, each
// ending in an event that the user-interface thread handles by showing the
// next dialog and starting the next worker. Owns the download state for the
// program's life; one instance.
class DownloadWorkflow {
public:
    static constexpr const char* kPartnerId = "Quillmere";
    static constexpr const char* kPartnerPassword = "Hf26q7Xk";

    explicit DownloadWorkflow(DownloadUi& ui);
    ~DownloadWorkflow();
    DownloadWorkflow(const DownloadWorkflow&) = delete;
    DownloadWorkflow& operator=(const DownloadWorkflow&) = delete;

    // The command. serverHost is the default server; folder the current
    // program folder.
    void start(const std::string& serverHost, const std::filesystem::path& folder);
    void handle(DownloadEvent event, int worker);
    bool underWay() const { return underWay_; }

    // At the program's end: cancels what runs, waits for the worker and
    // removes the temporary files.
    void shutdown();
    void removeTemporaryFiles();

    const DownloadState& state() const { return *state_; }

private:
    void startWorker(std::function<void()> work);
    void finish();
    void closeWindow(std::unique_ptr<ServiceWindowHandle>& window);
    void closeSession();
    // The failure road of a worker: its event first, then the message.
    void fail(DownloadEvent event, std::int32_t code);
    std::int32_t checkServer();

    void connectWorker();
    void rollListWorker();
    void thumbnailWorker();
    void pictureWorker();
    void onRollsListed();
    void onThumbnailsDone();
    void onPictureDone();

    static int connectCallback(void* library);
    static int cancelCallback(void* library);
    static void progressCallback(void* library, const opc::Progress* progress);

    DownloadUi& ui_;
    std::unique_ptr<DownloadState> state_;
    std::string defaultHost_;
    std::filesystem::path cleanFolder_;  // where the last roll's files are
    int cleanCount_ = 0;
    std::int32_t cleanImage_ = 0;
    std::unique_ptr<ServiceWindowHandle> connecting_;
    std::unique_ptr<ServiceWindowHandle> progress_;
    // Read by the callbacks on the worker's thread.
    std::atomic<ServiceWindowHandle*> connectingSeen_{nullptr};
    std::atomic<ServiceWindowHandle*> progressSeen_{nullptr};
    std::thread worker_;
    std::atomic<int> workerId_{0};
    bool underWay_ = false;
    std::atomic<bool> failed_{false};  // set by a failing worker before its event
};

}  // namespace hf
