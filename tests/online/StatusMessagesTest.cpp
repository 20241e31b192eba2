// The status messages and their road from a worker to the user-interface
// thread.

#include "StatusMessages.h"
#include "RecordingMessageBoxes.h"
#include "ServiceUi.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace hf {
namespace {

TEST(StatusMessages, TableEdges)
{
    struct Case {
        std::int32_t code;
        const char* caption;  // nullptr: nothing is shown
        const char* text;
    };
    const char* unknown = "Unknown Error";
    const std::vector<Case> cases = {
        {0, nullptr, nullptr},
        {64, nullptr, nullptr},
        {1, "PhotoNet Error", "Checksum Error"},
        {2, "Communications Error",
         "There was a communications error.\n\nPlease be sure you are connected to the Internet and try again."},
        {5, "File Error",
         "There was an error writing the images to disk.\n\nPlease make sure the disk is not full and try again."},
        {50, "Password Error", "That account and password was not found.\n\nPlease re-enter them and try again."},
        {55, "PhotoNet Error", "Cancelled"},
        {62, "PhotoNet Error", "Don't"},
        {73, "PhotoNet Error", "Billing Credit Card Error"},
        {80, "PhotoNet Error", "Billing Expiration Date Error"},
        {102, "PhotoNet Error", "Bad e-mail form."},
        {255, "PhotoNet Error", "Fatal Error"},
        {9, "PhotoNet Error", unknown},
        {49, "PhotoNet Error", unknown},
        {58, "PhotoNet Error", unknown},
        {61, "PhotoNet Error", unknown},
        {74, "PhotoNet Error", unknown},
        {79, "PhotoNet Error", unknown},
        {103, "PhotoNet Error", unknown},
        {254, "PhotoNet Error", unknown},
        {256, "PhotoNet Error", unknown},
        {-1, "PhotoNet Error", unknown},
        {-64, "PhotoNet Error", unknown},
        {INT32_MIN, "PhotoNet Error", unknown},
    };
    for (const auto& c : cases) {
        RecordingMessageBoxes boxes;
        showStatusMessage(c.code, boxes);
        if (!c.caption) {
            EXPECT_TRUE(boxes.shown().empty()) << c.code;
            continue;
        }
        ASSERT_EQ(boxes.shown().size(), 1u) << c.code;
        EXPECT_EQ(boxes.shown()[0].caption, c.caption) << c.code;
        EXPECT_EQ(boxes.shown()[0].text, c.text) << c.code;
        EXPECT_EQ(boxes.shown()[0].style, MsgStyle::Exclamation) << c.code;
    }
    // Only 2, 5 and 50 have captions of their own.
    for (std::int32_t code = -2; code <= 300; ++code)
        if (const auto t = statusText(code); t && code != 2 && code != 5 && code != 50) {
            EXPECT_EQ(t->caption, "PhotoNet Error") << code;
        }
}

// A stand-in user-interface thread that runs posted work in order.
class UiThread final : public UiDispatcher {
public:
    UiThread() : thread_([this] { loop(); }) {}
    ~UiThread() override
    {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }
    UiThread(const UiThread&) = delete;
    UiThread& operator=(const UiThread&) = delete;
    UiThread(UiThread&&) = delete;
    UiThread& operator=(UiThread&&) = delete;
    void runAndWait(const std::function<void()>& work) override
    {
        std::unique_lock lock(mutex_);
        bool done = false;
        queue_.emplace_back([&] {
            work();
            std::lock_guard inner(mutex_);
            done = true;
        });
        wake_.notify_all();
        finished_.wait(lock, [&] { return done; });
    }
    std::thread::id id() const { return thread_.get_id(); }

private:
    void loop()
    {
        std::unique_lock lock(mutex_);
        while (true) {
            wake_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
            if (queue_.empty())
                return;
            auto work = std::move(queue_.front());
            queue_.pop_front();
            lock.unlock();
            work();
            finished_.notify_all();
            lock.lock();
        }
    }
    std::mutex mutex_;
    std::condition_variable wake_, finished_;
    std::deque<std::function<void()>> queue_;
    bool stopping_ = false;
    std::thread thread_;
};

// Records which thread showed the box and holds it open until released.
class UiBoxes final : public MessageBoxes {
public:
    MsgAnswer show(std::string_view text, std::string_view, MsgStyle) override
    {
        std::unique_lock lock(mutex);
        shownOn = std::this_thread::get_id();
        shownText = text;
        changed.notify_all();
        changed.wait(lock, [&] { return userClosed; });
        return MsgAnswer::Ok;
    }
    std::thread::id shownOn;
    std::string shownText;
    std::mutex mutex;
    std::condition_variable changed;
    bool userClosed = false;
};

TEST(StatusMessages, WorkerWaitsWhileTheBoxIsShownOnTheUserInterfaceThread)
{
    UiThread ui;
    UiBoxes boxes;
    UiThreadMessageBoxes fromWorker(boxes, ui);
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        showStatusMessage(55, fromWorker);
        returned = true;
    });
    {
        std::unique_lock lock(boxes.mutex);
        EXPECT_TRUE(boxes.changed.wait_for(lock, std::chrono::seconds(30), [&] { return !boxes.shownText.empty(); }));
        EXPECT_FALSE(returned);  // the box is still open
        boxes.userClosed = true;
    }
    boxes.changed.notify_all();
    worker.join();
    EXPECT_TRUE(returned);
    EXPECT_EQ(boxes.shownOn, ui.id());
    EXPECT_EQ(boxes.shownText, "Cancelled");
}

}  // namespace
}  // namespace hf
