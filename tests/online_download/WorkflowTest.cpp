// The download's state machine without any window: a scripted user, the
// events handled one at a time, a real store on loopback.
#include "DownloadWorkflow.h"
#include "StoreFixture.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <mutex>

namespace fs = std::filesystem;
using namespace hf;
using namespace hf::test;

namespace {

class ScriptedWindow final : public ServiceWindowHandle {
public:
    const std::atomic<int>& cancelFlag() const override { return flag; }
    void setStatusText(const std::string&) override {}
    void setPosition(int) override {}
    void cancel() override { flag = 1; }
    std::atomic<int> flag{0};
};

// Answers every dialog from a script and queues the workers' events.
class ScriptedUi final : public DownloadUi {
public:
    void post(DownloadEvent event, int worker) override
    {
        std::lock_guard lock(mutex);
        events.emplace_back(event, worker);
        arrived.notify_all();
    }
    // The next event, waiting for it; none when none comes within 10 s.
    std::optional<std::pair<DownloadEvent, int>> next()
    {
        std::unique_lock lock(mutex);
        if (!arrived.wait_for(lock, std::chrono::seconds(10), [&] { return !events.empty(); }))
            return std::nullopt;
        auto e = events.front();
        events.pop_front();
        return e;
    }
    void loadProxySettings() override {}
    bool login(std::string& email, std::string& password) override
    {
        email = kAccount;
        password = kPassword;
        return true;
    }
    std::unique_ptr<ServiceWindowHandle> openConnecting(const std::string&, const std::string&) override
    {
        auto w = std::make_unique<ScriptedWindow>();
        connecting = w.get();
        return w;
    }
    std::unique_ptr<ServiceWindowHandle> openProgress(const std::string&) override
    {
        return std::make_unique<ScriptedWindow>();
    }
    std::optional<std::string> chooseRoll(const std::vector<std::string>& names) override
    {
        rollsOffered = names;
        return roll;
    }
    int choosePicture(const fs::path&, int) override { return picture; }
    void message(const std::string& text, const std::string&, int) override { said.push_back(text); }
    void showStatus(std::int32_t code) override
    {
        std::lock_guard lock(mutex);
        statuses.push_back(code);
    }
    void showMessage(const std::string& text, const std::string&) override
    {
        std::lock_guard lock(mutex);
        said.push_back(text);
    }
    void editPicture(const fs::path& file) override { edited = file; }
    void downloadUnderWay(bool) override {}

    std::mutex mutex;
    std::condition_variable arrived;
    std::deque<std::pair<DownloadEvent, int>> events;
    std::optional<std::string> roll;
    int picture = -1;
    std::vector<std::string> rollsOffered, said;
    std::vector<std::int32_t> statuses;
    fs::path edited;
    ScriptedWindow* connecting = nullptr;
};

class Workflow : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!store.ready())
            GTEST_SKIP() << store.skipReason() << store.failure();
    }
    // Handles events until the named one has been handled.
    void runUntil(DownloadEvent last)
    {
        while (auto e = ui.next()) {
            flow.handle(e->first, e->second);
            if (e->first == last)
                return;
        }
        FAIL() << "no event " << int(last);
    }
    PhotoStore store{DavServer::Apache};
    TempDir folder;
    ScriptedUi ui;
    DownloadWorkflow flow{ui};
};

TEST_F(Workflow, EventsChainFromSignInToThePictureAndTheSessionClosesOnlyAtACancelledChoice)
{
    ui.roll = kHoliday;
    ui.picture = 2;
    flow.start(store.url(), folder.path());
    runUntil(DownloadEvent::Connected);
    runUntil(DownloadEvent::RollsListed);
    EXPECT_FALSE(ui.rollsOffered.empty());
    runUntil(DownloadEvent::ThumbnailsDone);
    runUntil(DownloadEvent::PictureDone);
    EXPECT_EQ(ui.edited, folder / "0003.jpg");
    EXPECT_TRUE(fs::exists(ui.edited));
    EXPECT_TRUE(ui.statuses.empty());
    EXPECT_FALSE(flow.underWay());
    std::vector<std::string> names;
    EXPECT_EQ(listRolls(flow.state().session, kAccount, kPassword, &names), opc::kOk) << "the session stays open";

    // A second download: Cancel at the photo choice closes the session.
    const std::int32_t first = flow.state().session;
    ui.picture = -1;
    flow.start(store.url(), folder.path());
    runUntil(DownloadEvent::ThumbnailsDone);
    EXPECT_NE(flow.state().session, first) << "each download opens a session of its own";
    EXPECT_EQ(listRolls(flow.state().session, kAccount, kPassword, &names), opc::kBadHandle);
    EXPECT_FALSE(fs::exists(folder / "0003.jpg")) << "the new roll cleared the last one's picture";
}

TEST_F(Workflow, RollAtAnAddressTooLongToFollowIsToldSoNotAsACommunicationsError)
{
    for (const std::string roll : {"FarA", "FarB"}) {  // too long for the download's field, the library's record
        ui.roll = roll;
        flow.start(store.url(), folder.path());
        runUntil(DownloadEvent::TransferFailed);
        runUntil(DownloadEvent::WorkerEnded);
        ASSERT_EQ(ui.said.size(), 1u);
        EXPECT_EQ(ui.said[0],
                  "The photo store keeps the roll \"" + roll + "\" at an address too long for Handfolio to follow.");
        ui.said.clear();
    }
}

TEST_F(Workflow, ShutdownInTheMiddleCancelsWaitsForTheWorkerAndClearsTheFiles)
{
    ui.roll = "Big";  // its large picture arrives slowly
    flow.start(store.url(), folder.path());
    runUntil(DownloadEvent::RollsListed);
    // The thumbnail worker is now reading; the program ends.
    flow.shutdown();
    EXPECT_FALSE(flow.underWay());
    for (const auto& entry : fs::directory_iterator(folder.path()))
        ADD_FAILURE() << "left behind: " << entry.path();
    std::lock_guard lock(ui.mutex);
    EXPECT_EQ(ui.statuses, std::vector<std::int32_t>{opc::kCancelled});
}

}  // namespace
