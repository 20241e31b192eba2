// Bringing a photo from the store into the album, through the real dialogs
// and windows, against Apache httpd with WebDAV on loopback.
#include "AppTestSupport.h"
#include "DownloadCommand.h"
#include "ModalHelper.h"
#include "StoreFixture.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace hf;
using namespace hf::test;

namespace {

// No desktop proxy in the tests.
class NoInternetSettings final : public InternetSettings {
public:
    bool open() override { return false; }
    std::optional<std::uint32_t> proxyEnable() override { return std::nullopt; }
    std::optional<std::string> proxyServer() override { return std::nullopt; }
};

// Counts the paint events a widget gets.
struct PaintCounter : QObject {
    explicit PaintCounter(QWidget* w) { w->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            ++count;
        return false;
    }
    int count = 0;
};

class Download : public ::testing::Test, public WindowFixture {
protected:
    void SetUp() override
    {
        if (!store.ready())
            GTEST_SKIP() << store.skipReason() << store.failure();
        profile.setString("PhotoNet", "Server", store.url());
        profile.setString("Prefs", "PrevUser", "Ann");
        open();
        command = new DownloadCommand(window->sourceHost(), std::make_unique<NoInternetSettings>());
    }

    // Answers the Login dialog with an account.
    std::unique_ptr<ModalHandler> signIn(const char* account, const char* password)
    {
        return std::make_unique<ModalHandler>(
            [=](QWidget* w) {
                w->findChild<QLineEdit*>("1000")->setText(QString::fromUtf8(account));
                w->findChild<QLineEdit*>("1001")->setText(QString::fromUtf8(password));
                QTest::mouseClick(w->findChild<QPushButton*>("1"), Qt::LeftButton);
            },
            5000, "130");
    }
    // Opens a roll of the Rolls dialog, noting the names it lists.
    std::unique_ptr<ModalHandler> openRoll(const QString& roll, QStringList* listed = nullptr)
    {
        return std::make_unique<ModalHandler>(
            [=](QWidget* w) {
                auto* list = w->findChild<QListWidget*>("1002");
                for (int i = 0; i < list->count(); ++i) {
                    if (listed)
                        *listed << list->item(i)->text();
                    if (list->item(i)->text() == roll)
                        list->setCurrentRow(i);
                }
                QTest::mouseClick(w->findChild<QPushButton*>("1"), Qt::LeftButton);
            },
            15000, "143");
    }
    // Selects the first thumbnail of the Photo chooser, noting how many it lists.
    std::unique_ptr<ModalHandler> chooseFirstPhoto(int* items)
    {
        return std::make_unique<ModalHandler>(
            [=](QWidget* w) {
                auto* list = w->findChild<QListWidget*>("1003");
                *items = list->count();
                list->setCurrentRow(0);
                QTest::mouseClick(w->findChild<QPushButton*>("1"), Qt::LeftButton);
            },
            15000, "142");
    }
    // The box a worker shows without an owner: not modal, so found among
    // the windows.
    static QMessageBox* ownerlessBox()
    {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible() && !box->isModal())
                return box;
        }
        return nullptr;
    }
    // Answers the next box a worker shows, from a timer: the box runs its
    // own event loop, inside which the timer still fires.
    struct OwnerlessAnswer {
        QString text, title;
        bool albumWindowFree = false, underWay = false;
        QTimer timer;
    };
    std::unique_ptr<OwnerlessAnswer> answerOwnerlessBox()
    {
        auto a = std::make_unique<OwnerlessAnswer>();
        QObject::connect(&a->timer, &QTimer::timeout, [this, a = a.get()] {
            if (QMessageBox* box = ownerlessBox()) {
                a->text = box->text();
                a->title = box->windowTitle();
                a->albumWindowFree = QApplication::activeModalWidget() == nullptr;
                a->underWay = !downloadEnabled();
                a->timer.stop();
                box->button(QMessageBox::Ok)->click();
            }
        });
        a->timer.start(10);
        return a;
    }
    bool downloadEnabled() const { return window->findChild<QAction*>("32784")->isEnabled(); }

    PhotoStore store{DavServer::Apache};
    DownloadCommand* command = nullptr;
};

TEST_F(Download, SignInRollThumbnailsPictureEditorAndAlbum)
{
    auto login = signIn(kAccount, kPassword);
    QStringList listed;
    auto rolls = openRoll(QString::fromUtf8(kHoliday), &listed);
    int items = -1;
    auto chooser = chooseFirstPhoto(&items);
    ModalHandler editor([](QWidget* w) { clickButton(w, "&Save"); }, 15000, "129");
    ModalHandler name([](QWidget* w) { clickButton(w, "OK"); }, 15000, "131");

    window->findChild<QAction*>("32784")->trigger();
    EXPECT_FALSE(downloadEnabled()) << "one download at a time";
    ASSERT_TRUE(waitUntil([&] { return name.handled() && window->album().count == 1; }, 30000));
    EXPECT_TRUE(waitUntil([&] { return downloadEnabled(); }));

    const qsizetype big = listed.indexOf("Big"), holiday = listed.indexOf(QString::fromUtf8(kHoliday)),
                    moved = listed.indexOf("Moved");
    EXPECT_TRUE(big >= 0 && big < holiday && holiday < moved) << listed.join(", ").toStdString();
    EXPECT_EQ(items, 5) << "the damaged second picture is left out";
    ASSERT_EQ(boxes.recorded.shown().size(), 1u);
    EXPECT_EQ(boxes.recorded.shown()[0].text, "Error Loading Photo " + (folderOf("Ann") / "t0002.jpg").string());
    const auto album = readAlbum("Ann");
    EXPECT_EQ(fieldText(album->records[0].pictureName), "New Picture");
    EXPECT_TRUE(fs::exists(folderOf("Ann") / "p0.bmp"));
    EXPECT_TRUE(fs::exists(folderOf("Ann") / "0001.jpg")) << "the picture stays until the next roll";

    // A second download in the same run: the account is prefilled, and a
    // new roll clears the files of the last one.
    QString prefilled;
    ModalHandler again(
        [&](QWidget* w) {
            prefilled = w->findChild<QLineEdit*>("1000")->text();
            QTest::mouseClick(w->findChild<QPushButton*>("1"), Qt::LeftButton);
        },
        5000, "130");
    auto movedRoll = openRoll(QStringLiteral("Moved"));
    ModalHandler cancelChoice([](QWidget* w) { QTest::mouseClick(w->findChild<QPushButton*>("2"), Qt::LeftButton); },
                              15000, "142");
    window->findChild<QAction*>("32784")->trigger();
    ASSERT_TRUE(waitUntil([&] { return cancelChoice.handled() && downloadEnabled(); }, 30000));
    EXPECT_EQ(prefilled, kAccount);
    EXPECT_FALSE(fs::exists(folderOf("Ann") / "0001.jpg")) << "a new roll clears the last one's files";
    EXPECT_FALSE(fs::exists(folderOf("Ann") / "t0003.jpg"));
    EXPECT_TRUE(fs::exists(folderOf("Ann") / "t0001.jpg"));
    EXPECT_EQ(window->album().count, 1);
}

TEST_F(Download, WrongPasswordIsToldWithoutBlockingTheAlbumWindow)
{
    auto login = signIn(kAccount, "wrong");
    auto told = answerOwnerlessBox();
    window->findChild<QAction*>("32784")->trigger();
    ASSERT_TRUE(waitUntil([&] { return !told->text.isEmpty() && downloadEnabled(); }, 15000));
    EXPECT_EQ(told->text, "That account and password was not found.\n\nPlease re-enter them and try again.");
    EXPECT_EQ(told->title, "Password Error");
    EXPECT_TRUE(told->albumWindowFree) << "the Album window stays usable";
    EXPECT_TRUE(told->underWay) << "under way until the worker has ended";
    EXPECT_EQ(window->album().count, 0);
}

TEST_F(Download, StoppedServerIsACommunicationsError)
{
    store.stop();
    auto login = signIn(kAccount, kPassword);
    auto told = answerOwnerlessBox();
    window->findChild<QAction*>("32784")->trigger();
    ASSERT_TRUE(waitUntil([&] { return !told->text.isEmpty() && downloadEnabled(); }, 15000));
    EXPECT_EQ(told->title, "Communications Error");
    EXPECT_EQ(window->findChild<QWidget*>("135"), nullptr) << "the Connecting window is gone";
}

TEST_F(Download, CancelWhileThumbnailsArriveStopsTheTransfer)
{
    auto login = signIn(kAccount, kPassword);
    auto rolls = openRoll(QStringLiteral("Big"));
    auto told = answerOwnerlessBox();
    // The roll's large picture comes at 512 KiB/s. Meanwhile the bar moves
    // and the Album window repaints; then Cancel is pressed with the pointer.
    bool pressed = false;
    QList<int> values;
    int paintsMeanwhile = 0;
    window->show();
    PaintCounter paints(window.get());
    QTimer press;
    QObject::connect(&press, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->objectName() != "145" || !w->isVisible())
                continue;
            const int value = w->findChild<QProgressBar*>("1006")->value();
            if (values.isEmpty() || values.back() != value)
                values << value;
            window->update();
            if (values.size() >= 4) {
                press.stop();
                paintsMeanwhile = paints.count;
                QTest::mouseClick(w->findChild<QPushButton*>("2"), Qt::LeftButton);
                pressed = !w->isVisible();
            }
        }
    });
    press.start(20);
    window->findChild<QAction*>("32784")->trigger();
    ASSERT_TRUE(waitUntil([&] { return !told->text.isEmpty() && downloadEnabled(); }, 20000));
    EXPECT_TRUE(pressed) << "the window vanishes at once";
    QStringList shown;
    for (int v : values)
        shown << QString::number(v);
    EXPECT_TRUE(std::is_sorted(values.begin(), values.end())) << shown.join(" ").toStdString();
    EXPECT_GT(values.back(), 0);
    EXPECT_GT(paintsMeanwhile, 2) << "the Album window kept repainting";
    EXPECT_EQ(told->text, "Cancelled");
    EXPECT_EQ(window->album().count, 0);
}

TEST_F(Download, RollWithoutPicturesIsToldAndTheSessionStays)
{
    fs::create_directories(store.rolls() / "Empty");
    makeReadable(store.rolls() / "Empty");
    auto login = signIn(kAccount, kPassword);
    auto rolls = openRoll(QStringLiteral("Empty"));
    window->findChild<QAction*>("32784")->trigger();
    ASSERT_TRUE(waitUntil([&] { return !boxes.recorded.shown().empty() && downloadEnabled(); }, 15000));
    EXPECT_EQ(boxes.recorded.shown()[0].text, "There were no pictures on this roll: Empty");
    EXPECT_EQ(boxes.recorded.shown()[0].caption, "Handfolio");
    EXPECT_EQ(boxes.recorded.shown()[0].style, MsgStyle::Ok);
    std::vector<std::string> names;
    EXPECT_EQ(listRolls(command->workflow().state().session, kAccount, kPassword, &names), opc::kOk)
        << "the session is still open";
}

// A server that takes the connection and never answers: the Connecting
// window animates until Cancel is pressed.
class SilentServer {
public:
    SilentServer() : fd_(::socket(AF_INET, SOCK_STREAM, 0))
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        // Without a listening socket the test would wait on a port nobody holds.
        if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0 || ::listen(fd_, 8) != 0) {
            if (fd_ >= 0)
                ::close(fd_);
            throw std::runtime_error("cannot listen on loopback");
        }
        port_ = ntohs(address.sin_port);
    }
    ~SilentServer() { ::close(fd_); }
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;
    SilentServer(SilentServer&&) = delete;
    SilentServer& operator=(SilentServer&&) = delete;
    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }

private:
    int fd_ = -1;
    int port_ = 0;
};

TEST_F(Download, CancelWhileConnectingAndTheAnimationGoesOnAcrossDownloads)
{
    SilentServer silent;
    profile.setString("PhotoNet", "Server", silent.url());
    // Notes the Connecting window's texts and presses its Cancel after a few.
    const auto connectOnce = [&](QStringList* seen) {
        auto login = signIn(kAccount, kPassword);
        auto told = answerOwnerlessBox();
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (w->objectName() != "135" || !w->isVisible())
                    continue;
                const QString text = w->findChild<QLabel*>("1005")->text();
                if (seen->isEmpty() || seen->back() != text)
                    *seen << text;
                if (seen->size() >= 4) {
                    watch.stop();
                    QTest::mouseClick(w->findChild<QPushButton*>("2"), Qt::LeftButton);
                }
            }
        });
        watch.start(5);
        window->findChild<QAction*>("32784")->trigger();
        EXPECT_TRUE(waitUntil([&] { return !told->text.isEmpty() && downloadEnabled(); }, 15000));
        EXPECT_EQ(told->text, "Cancelled");
        EXPECT_EQ(window->findChild<QWidget*>("135"), nullptr);
    };
    const QStringList steps{"Connecting to Kodak", "Connecting to Kodak .", "Connecting to Kodak ..",
                            "Connecting to Kodak ..."};
    QStringList first, second;
    connectOnce(&first);
    const int afterFirst = command->workflow().state().animationStep;
    connectOnce(&second);
    ASSERT_GE(afterFirst, 3);
    EXPECT_TRUE(first.contains(steps[0])) << first.join(" | ").toStdString();
    // The step is never reset: the second download goes on from where the
    // first stopped.
    EXPECT_GT(command->workflow().state().animationStep, afterFirst);
    EXPECT_TRUE(second.contains(steps[afterFirst % 4])) << second.join(" | ").toStdString();
    for (const QString& text : first + second)
        EXPECT_TRUE(text == "Connecting ..." || steps.contains(text)) << text.toStdString();
}

TEST_F(Download, RefusedProxyAsksAndTheCorrectedSettingsAreTried)
{
    if (!haveProgram("/usr/sbin/squid"))
        GTEST_SKIP() << "/usr/sbin/squid is not installed (scripts/setup.sh installs it)";
    TempDir squidDir;
    makeReadable(squidDir.path());
    ServerProcess squid(scriptPath("proxy-squid.sh"),
                        {(squidDir / "squid").string(), "{port}", "proxyuser", "proxy pass"}, PortFrom::Chosen,
                        squidDir / "squid.log");
    ASSERT_TRUE(squid.ready()) << readFile(squidDir / "squid.log");
    const int port = squid.port();
    profile.setInt("Proxy", "Init", 1);
    profile.setInt("Proxy", "ProxyEnable", 1);
    profile.setString("Proxy", "ProxyName", "127.0.0.1");
    profile.setInt("Proxy", "ProxyPort", port);
    profile.setString("Proxy", "ProxyUserId", "proxyuser");
    profile.setString("Proxy", "ProxyPassword", "wrong");

    // The question and then the Proxy dialog come from the worker, without
    // an owner: answered from a timer.
    QString question, caption;
    bool corrected = false;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (QMessageBox* box = ownerlessBox(); box && question.isEmpty()) {
            question = box->text();
            caption = box->windowTitle();
            EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
            box->button(QMessageBox::Yes)->click();
            return;
        }
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->objectName() == "144" && w->isVisible() && !corrected) {
                corrected = true;
                answer.stop();
                auto* password = w->findChild<QLineEdit*>("1001");
                password->setText(QStringLiteral("proxy pass"));
                QTest::mouseClick(w->findChild<QPushButton*>("1"), Qt::LeftButton);
            }
        }
    });
    answer.start(10);
    auto login = signIn(kAccount, kPassword);
    QStringList listed;
    ModalHandler rolls(
        [&](QWidget* w) {
            auto* list = w->findChild<QListWidget*>("1002");
            for (int i = 0; i < list->count(); ++i)
                listed << list->item(i)->text();
            QTest::mouseClick(w->findChild<QPushButton*>("2"), Qt::LeftButton);
        },
        20000, "143");
    window->findChild<QAction*>("32784")->trigger();
    ASSERT_TRUE(waitUntil([&] { return rolls.handled() && downloadEnabled(); }, 20000));
    EXPECT_EQ(question, "There were problems connecting to your proxy server.\n\nIf you wish to configure your proxy "
                        "server connection, press Yes.");
    EXPECT_EQ(caption, "Can't Connect");
    EXPECT_TRUE(corrected);
    EXPECT_TRUE(listed.contains("Moved")) << "the corrected proxy reached the store";
    EXPECT_EQ(profile.getString("Proxy", "ProxyPassword", ""), "proxy pass");
}

TEST_F(Download, MovedRollComesFromItsOwnServerAndShutdownClearsTheFiles)
{
    auto login = signIn(kAccount, kPassword);
    auto rolls = openRoll(QStringLiteral("Moved"));
    int items = -1;
    auto chooser = chooseFirstPhoto(&items);
    boxes.recorded.script({MsgAnswer::Yes});
    ModalHandler editor([](QWidget* w) { clickButton(w, "Cancel"); }, 15000, "129");
    window->findChild<QAction*>("32784")->trigger();
    ASSERT_TRUE(waitUntil([&] { return editor.handled() && downloadEnabled(); }, 30000));
    EXPECT_EQ(items, 1);
    EXPECT_EQ(window->album().count, 0) << "leaving the editor adds nothing";
    EXPECT_NE(std::string(command->workflow().state().serverHost).find(std::to_string(store.movedPort())),
              std::string::npos);
    EXPECT_TRUE(fs::exists(folderOf("Ann") / "t0001.jpg"));
    close();
    EXPECT_FALSE(fs::exists(folderOf("Ann") / "t0001.jpg")) << "the program's end clears the last roll's files";
    EXPECT_FALSE(fs::exists(folderOf("Ann") / "0001.jpg"));
}

}  // namespace
