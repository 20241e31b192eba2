// Bringing a photo from the store into the album, through the real dialogs
// and windows, against Apache httpd with WebDAV on loopback.
#include "AppTestSupport.h"
#include "DownloadCommand.h"
#include "ModalHelper.h"
#include "PhotoIntake.h"
#include "StoreFixture.h"

#include <QAction>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

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

class Download : public ::testing::Test, public WindowFixture {
protected:
    void SetUp() override
    {
        if (!store.ready())
            GTEST_SKIP() << store.skipReason() << store.failure();
        profile.setString("PhotoNet", "Server", store.url());
        profile.setString("Prefs", "PrevUser", "Ann");
        open();
        intake = new PhotoIntake(*window);
        command = new DownloadCommand(*window, *intake, profile, std::make_unique<NoInternetSettings>());
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
    bool downloadEnabled() const { return window->findChild<QAction*>("32784")->isEnabled(); }

    PhotoStore store{DavServer::Apache};
    PhotoIntake* intake = nullptr;
    DownloadCommand* command = nullptr;
};

TEST_F(Download, SignInRollThumbnailsPictureEditorAndAlbum)
{
    auto login = signIn(kAccount, kPassword);
    QStringList listed;
    auto rolls = openRoll(QString::fromUtf8(kHoliday), &listed);
    int items = -1;
    ModalHandler chooser(
        [&](QWidget* w) {
            auto* list = w->findChild<QListWidget*>("1003");
            items = list->count();
            list->setCurrentRow(0);
            QTest::mouseClick(w->findChild<QPushButton*>("1"), Qt::LeftButton);
        },
        15000, "142");
    ModalHandler editor([](QWidget* w) { clickButton(w, "&Save"); }, 15000, "129");
    ModalHandler name([](QWidget* w) { clickButton(w, "OK"); }, 15000, "131");

    window->findChild<QAction*>("32784")->trigger();
    EXPECT_FALSE(downloadEnabled()) << "one download at a time";
    ASSERT_TRUE(waitUntil([&] { return name.handled() && window->album().count == 1; }, 30000));
    EXPECT_TRUE(waitUntil([&] { return downloadEnabled(); }));

    const int big = listed.indexOf("Big"), holiday = listed.indexOf(QString::fromUtf8(kHoliday)),
              moved = listed.indexOf("Moved");
    EXPECT_TRUE(big >= 0 && big < holiday && holiday < moved) << listed.join(", ").toStdString();
    EXPECT_EQ(items, 3) << "the damaged second picture is left out";
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
    // The box runs its own event loop: it is answered from a timer, which
    // fires inside that loop.
    QString text, title;
    bool albumWindowFree = false, stillUnderWay = false;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (QMessageBox* box = ownerlessBox()) {
            text = box->text();
            title = box->windowTitle();
            albumWindowFree = QApplication::activeModalWidget() == nullptr;
            stillUnderWay = !downloadEnabled();
            answer.stop();
            box->button(QMessageBox::Ok)->click();
        }
    });
    answer.start(10);
    window->findChild<QAction*>("32784")->trigger();
    ASSERT_TRUE(waitUntil([&] { return !text.isEmpty() && downloadEnabled(); }, 15000));
    EXPECT_EQ(text, "That account and password was not found.\n\nPlease re-enter them and try again.");
    EXPECT_EQ(title, "Password Error");
    EXPECT_TRUE(albumWindowFree) << "the Album window stays usable";
    EXPECT_TRUE(stillUnderWay) << "under way until the worker has ended";
    EXPECT_EQ(window->album().count, 0);
}

TEST_F(Download, MovedRollComesFromItsOwnServerAndShutdownClearsTheFiles)
{
    auto login = signIn(kAccount, kPassword);
    auto rolls = openRoll(QStringLiteral("Moved"));
    int items = -1;
    ModalHandler chooser(
        [&](QWidget* w) {
            auto* list = w->findChild<QListWidget*>("1003");
            items = list->count();
            list->setCurrentRow(0);
            QTest::mouseClick(w->findChild<QPushButton*>("1"), Qt::LeftButton);
        },
        15000, "142");
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
