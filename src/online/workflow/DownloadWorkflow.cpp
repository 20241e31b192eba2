#include "DownloadWorkflow.h"

#include "ProxySettings.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace fs = std::filesystem;

namespace hf {
namespace {

// The one download of the program, for the library's plain callbacks.
std::atomic<DownloadWorkflow*> g_active{nullptr};

// Copies into a fixed field; false, copying nothing, when it does not fit.
template <std::size_t N> bool copyWhole(char (&field)[N], std::string_view text)
{
    if (text.size() >= N)
        return false;
    std::memcpy(field, text.data(), text.size());
    field[text.size()] = '\0';
    return true;
}

// The request both transfers start from: the chosen roll, into the download
// folder, as JPEG of the given size.
opc::TransferRequest transferOf(DownloadState& s, std::int32_t pixels)
{
    opc::TransferRequest request{};
    request.rollName = s.rollName;
    request.one = 1;
    request.folder = s.folder;
    std::memcpy(request.format, "JPG", 4);
    request.pixels = pixels;
    return request;
}

std::string numbered(const char* pattern, int n)
{
    char name[32];
    std::snprintf(name, sizeof name, pattern, n);
    return name;
}

}  // namespace

DownloadWorkflow::DownloadWorkflow(DownloadUi& ui) : ui_(ui), state_(std::make_unique<DownloadState>())
{
    g_active = this;
}

DownloadWorkflow::~DownloadWorkflow()
{
    shutdown();
    DownloadWorkflow* self = this;
    g_active.compare_exchange_strong(self, nullptr);
}

void DownloadWorkflow::start(const std::string& serverHost, const fs::path& folder)
{
    if (underWay_)
        return;
    DownloadState& s = *state_;
    // The state's fields are the library's contract; a longer text is
    // refused, never cut.
    if (!copyWhole(s.folder, folder.native())) {
        ui_.message("The folder " + folder.string() + " has too long a path for downloads from the photo store.",
                    "Handfolio", 48);
        return;
    }
    if (serverHost.size() >= sizeof s.serverHost) {
        ui_.message("The photo store's address is too long: " + serverHost, "Handfolio", 48);
        return;
    }
    defaultHost_ = serverHost;
    ui_.loadProxySettings();
    std::string email = s.email, password = s.password;
    if (!ui_.login(email, password))
        return;
    if (!copyWhole(s.email, email) || !copyWhole(s.password, password))
        return;
    if (const std::int32_t rc = opc::OpcSetProxyCallback(&proxyCallback); rc != 0) {
        ui_.showStatus(rc);
        return;
    }
    underWay_ = true;
    failed_ = false;
    ui_.downloadUnderWay(true);
    connecting_ = ui_.openConnecting("Connecting to Kodak PhotoNet online", "Connecting ...");
    connectingSeen_ = connecting_.get();
    startWorker([this] { connectWorker(); });
}

void DownloadWorkflow::startWorker(std::function<void()> work)
{
    // The previous worker has posted its result and is returning.
    if (worker_.joinable())
        worker_.join();
    const int id = ++workerId_;
    worker_ = std::thread([this, work = std::move(work), id] {
        work();
        ui_.post(DownloadEvent::WorkerEnded, id);
    });
}

void DownloadWorkflow::finish()
{
    if (worker_.joinable())
        worker_.join();
    underWay_ = false;
    failed_ = false;
    ui_.downloadUnderWay(false);
}

void DownloadWorkflow::fail(DownloadEvent event, std::int32_t code)
{
    failed_ = true;
    ui_.post(event, workerId_);
    // The library cannot say which roll's address did not fit; we can.
    if (code == opc::kLocationTooLong)
        ui_.showMessage(std::string("The photo store keeps the roll \"") + state_->rollName +
                            "\" at an address too long for Handfolio to follow.",
                        "Handfolio");
    else
        ui_.showStatus(code);
}

void DownloadWorkflow::closeWindow(std::unique_ptr<ServiceWindowHandle>& window)
{
    if (&window == &connecting_)
        connectingSeen_ = nullptr;
    else
        progressSeen_ = nullptr;
    window.reset();
}

void DownloadWorkflow::closeSession()
{
    if (const std::int32_t rc = opc::OpcClose(state_->session); rc != 0)
        ui_.showStatus(rc);
}

void DownloadWorkflow::handle(DownloadEvent event, int worker)
{
    DownloadState& s = *state_;
    switch (event) {
    case DownloadEvent::Connected:
        s.rollRequest = {};
        s.rollRequest.email = s.email;
        s.rollRequest.password = s.password;
        s.rollRequest.unused = "";
        startWorker([this] { rollListWorker(); });
        break;
    case DownloadEvent::ConnectFailed:
        closeWindow(connecting_);
        break;
    case DownloadEvent::RollsListed:
        onRollsListed();
        break;
    case DownloadEvent::TransferFailed:
        closeWindow(progress_);
        break;
    case DownloadEvent::ThumbnailsDone:
        onThumbnailsDone();
        break;
    case DownloadEvent::PictureDone:
        onPictureDone();
        break;
    case DownloadEvent::WorkerEnded:
        // A failed worker is joined only now: it may have waited for its
        // message to be closed.
        if (worker == workerId_ && failed_ && underWay_)
            finish();
        break;
    }
}

void DownloadWorkflow::connectWorker()
{
    DownloadState& s = *state_;
    const std::int32_t rc = opc::OpcInit(&connectCallback, opc::kVersion, defaultHost_.c_str(), 3011, kPartnerId,
                                         kPartnerPassword, &s.session);
    if (rc != 0)
        return fail(DownloadEvent::ConnectFailed, rc);
    copyWhole(s.serverHost, defaultHost_);
    s.serverPort = 3011;
    ui_.post(DownloadEvent::Connected, workerId_);
}

void DownloadWorkflow::rollListWorker()
{
    DownloadState& s = *state_;
    const std::int32_t rc =
        opc::OpcListRelatedFilms(s.session, &connectCallback, 0, opc::kMaxRolls, s.rolls.data(), &s.rollRequest);
    if (rc != 0)
        return fail(DownloadEvent::ConnectFailed, rc);
    ui_.post(DownloadEvent::RollsListed, workerId_);
}

void DownloadWorkflow::onRollsListed()
{
    DownloadState& s = *state_;
    closeWindow(connecting_);
    s.rollCount = std::clamp(s.rollRequest.rollCount, 0, opc::kMaxRolls);
    std::vector<std::string> names;
    names.reserve(static_cast<std::size_t>(s.rollCount));
    for (int i = 0; i < s.rollCount; ++i)
        names.emplace_back(s.rolls[static_cast<std::size_t>(i)].name,
                           strnlen(s.rolls[static_cast<std::size_t>(i)].name, opc::kRollNameSize));
    const std::optional<std::string> roll = ui_.chooseRoll(names);
    if (!roll || !copyWhole(s.rollName, *roll)) {
        closeSession();
        return finish();
    }
    removeTemporaryFiles();
    cleanFolder_ = s.folder;

    s.thumbnailRequest = transferOf(s, opc::kThumbnailPixels);
    s.thumbnailRequest.email = s.email;
    s.thumbnailRequest.partnerId = kPartnerId;
    s.thumbnailRequest.partnerPassword = kPartnerPassword;
    progress_ = ui_.openProgress("Downloading Thumbnails");
    progressSeen_ = progress_.get();
    startWorker([this] { thumbnailWorker(); });
}

std::int32_t DownloadWorkflow::checkServer()
{
    DownloadState& s = *state_;
    if (const std::int32_t rc = opc::OpcGetFilmLocation(s.session, &cancelCallback, s.rollName, &s.location); rc != 0)
        return rc;
    const std::string_view host(s.location.host, strnlen(s.location.host, sizeof s.location.host));
    if (host == s.serverHost && (s.location.port & 0xFFFF) == s.serverPort)
        return 0;
    // A host the state cannot hold whole is not connected to with a cut name.
    if (host.size() >= sizeof s.serverHost)
        return opc::kLocationTooLong;
    std::int32_t session = 0;
    const std::string hostText(host);
    if (const std::int32_t rc = opc::OpcInit(&cancelCallback, opc::kVersion, hostText.c_str(), s.location.port,
                                             kPartnerId, kPartnerPassword, &session);
        rc != 0)
        return rc;
    opc::OpcClose(s.session);
    s.session = session;
    copyWhole(s.serverHost, hostText);
    s.serverPort = s.location.port;
    return 0;
}

void DownloadWorkflow::thumbnailWorker()
{
    DownloadState& s = *state_;
    std::int32_t rc = checkServer();
    if (rc == 0)
        rc = opc::OpcGetThumbnails(s.session, &cancelCallback, &progressCallback, opc::kMaxThumbnails,
                                   s.thumbnails.data(), &s.thumbnailRequest);
    if (rc != 0)
        return fail(DownloadEvent::TransferFailed, rc);
    ui_.post(DownloadEvent::ThumbnailsDone, workerId_);
}

void DownloadWorkflow::onThumbnailsDone()
{
    DownloadState& s = *state_;
    closeWindow(progress_);
    s.thumbnailCount = std::clamp(s.thumbnailRequest.thumbnailCount, 0, opc::kMaxThumbnails);
    cleanCount_ = s.thumbnailCount;
    if (s.thumbnailCount == 0) {
        ui_.message(std::string("There were no pictures on this roll: ") + s.rollName, "Handfolio", 0);
        return finish();
    }
    const int chosen = ui_.choosePicture(s.folder, s.thumbnailCount);
    if (chosen < 0 || chosen >= s.thumbnailCount) {
        closeSession();
        return finish();
    }
    s.pictureRequest = transferOf(s, opc::kPicturePixels);
    s.picture = {};
    s.picture.imageNumber = s.thumbnails[static_cast<std::size_t>(chosen)].imageNumber;
    cleanImage_ = s.picture.imageNumber;
    progress_ = ui_.openProgress("Downloading Picture");
    progressSeen_ = progress_.get();
    startWorker([this] { pictureWorker(); });
}

void DownloadWorkflow::pictureWorker()
{
    DownloadState& s = *state_;
    std::int32_t rc = checkServer();
    if (rc == 0)
        rc = opc::OpcActivityMode(s.session, &cancelCallback, opc::kActivityDownload, 0, 0);
    if (rc == 0)
        rc = opc::OpcGetImage(s.session, &cancelCallback, &progressCallback, &s.picture, &s.pictureRequest);
    if (rc != 0)
        return fail(DownloadEvent::TransferFailed, rc);
    ui_.post(DownloadEvent::PictureDone, workerId_);
}

void DownloadWorkflow::onPictureDone()
{
    closeWindow(progress_);
    finish();
    ui_.editPicture(fs::path(state_->folder) / numbered("%04d.jpg", state_->picture.imageNumber));
}

void DownloadWorkflow::removeTemporaryFiles()
{
    // Only our own names, in the folder they were written into: a change of
    // handheld user meanwhile does not move the clean-up.
    if (cleanFolder_.empty())
        return;
    for (int n = 1; n <= cleanCount_; ++n)
        ::unlink((cleanFolder_ / numbered("t%04d.jpg", n)).c_str());
    if (cleanImage_ > 0)
        ::unlink((cleanFolder_ / numbered("%04d.jpg", cleanImage_)).c_str());
    cleanCount_ = 0;
    cleanImage_ = 0;
}

void DownloadWorkflow::shutdown()
{
    for (ServiceWindowHandle* w : {connecting_.get(), progress_.get()}) {
        if (w)
            w->cancel();
    }
    if (worker_.joinable())
        worker_.join();
    connectingSeen_ = nullptr;
    progressSeen_ = nullptr;
    connecting_.reset();
    progress_.reset();
    underWay_ = false;
    removeTemporaryFiles();
}

int DownloadWorkflow::connectCallback(void*)
{
    DownloadWorkflow* self = g_active;
    ServiceWindowHandle* w = self ? self->connectingSeen_.load() : nullptr;
    if (!w)
        return 0;
    if (w->cancelFlag().load() != 0)
        return 1;
    static constexpr const char* kSteps[] = {"Connecting to Kodak", "Connecting to Kodak .", "Connecting to Kodak ..",
                                             "Connecting to Kodak ..."};
    // The step is never reset: a second download goes on where the first
    // stopped.
    const int step = self->state_->animationStep.fetch_add(1);
    w->setStatusText(kSteps[((step % 4) + 4) % 4]);
    return 0;
}

int DownloadWorkflow::cancelCallback(void*)
{
    DownloadWorkflow* self = g_active;
    ServiceWindowHandle* w = self ? self->progressSeen_.load() : nullptr;
    return w && w->cancelFlag().load() != 0 ? 1 : 0;
}

void DownloadWorkflow::progressCallback(void*, const opc::Progress* progress)
{
    DownloadWorkflow* self = g_active;
    ServiceWindowHandle* w = self ? self->progressSeen_.load() : nullptr;
    if (!w || !progress || w->cancelFlag().load() != 0)
        return;
    // Nothing to show for a total of 0: the bar stays empty.
    const int percent =
        progress->total == 0 ? 0 : static_cast<int>(double(progress->done) / double(progress->total) * 100.0);
    w->setPosition(percent);
}

}  // namespace hf
