// The Album window keeps the user's album whole when the synchronisation
// rewrites it under an open dialog, and when there is no folder for it.
#include "AppTestSupport.h"
#include "ModalHelper.h"
#include "PhotoSources.h"
#include "QtMessageBoxes.h"

#include <QAction>
#include <QCheckBox>
#include <QDBusConnection>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace hf;
using namespace hf::test;

namespace {

class ReloadUnderDialog : public ::testing::Test, public WindowFixture {
protected:
    void SetUp() override
    {
        if (!QDBusConnection::sessionBus().isConnected())
            GTEST_SKIP() << "no session bus; the test script runs the suite inside its own D-Bus session";
        writeAlbum("Ann", {"Alpha", "Beta", "Gamma"});
        profile.setString("Prefs", "PrevUser", "Ann");
        window =
            std::make_unique<AlbumWindow>(AlbumServices{profile, realBoxes, *desktop, nullptr, [](QWidget*) {}, true});
        realBoxes.setOwner(window.get());
        window->initialise();
        window->show();
        ASSERT_EQ(rows(), (QStringList{"Alpha", "Beta", "Gamma"}));
    }

    // What the synchronisation does: writes the album in another order and
    // asks the program to read it again.
    bool synchroniseWhileOpen(QWidget* dialog)
    {
        auto album = readAlbum("Ann");
        std::swap(album->records[0], album->records[2]);  // Gamma, Beta, Alpha
        RecordingMessageBoxes quiet;
        return album->saveAlbum(folderOf("Ann"), quiet) && sendReload(dialog);
    }

    // True when the reload request was answered while the dialog stayed open.
    static bool sendReload(QWidget* dialog) { return sendReloadOverTheBus() && dialog->isVisible(); }

    std::vector<std::string> namesOnDisk(bool deleted) const
    {
        std::vector<std::string> names;
        const auto album = readAlbum("Ann");
        for (int i = 0; i < album->count; ++i) {
            const PhotoRecord& r = album->records[static_cast<std::size_t>(i)];
            if ((r.deleted != 0) == deleted)
                names.emplace_back(fieldText(r.pictureName));
        }
        return names;
    }

    QtMessageBoxes realBoxes;
};

TEST_F(ReloadUnderDialog, RemoveTakesThePhotoTheUserWasAskedAbout)
{
    list()->setCurrentRow(0);
    bool answeredWhileOpen = false;
    ModalHandler yes([&](QWidget* box) {
        answeredWhileOpen = synchroniseWhileOpen(box);
        EXPECT_EQ(rows(), (QStringList{"Alpha", "Beta", "Gamma"})) << "nothing reloads under the question";
        clickButton(box, "&Yes");
    });
    QTest::mouseClick(button("1001"), Qt::LeftButton);
    ASSERT_TRUE(yes.handled());
    EXPECT_TRUE(answeredWhileOpen);
    EXPECT_EQ(namesOnDisk(false), (std::vector<std::string>{"Gamma", "Beta"})) << "the synchronisation's order";
    EXPECT_EQ(namesOnDisk(true), (std::vector<std::string>{"Alpha"}));
    EXPECT_FALSE(fs::exists(folderOf("Ann") / "p0.bmp"));
    EXPECT_TRUE(fs::exists(folderOf("Ann") / "p2.bmp"));
    EXPECT_EQ(rows(), (QStringList{"Gamma", "Beta"}));
}

TEST_F(ReloadUnderDialog, DetailsChangeOnlyThePhotoTheyWereOpenedFor)
{
    list()->setCurrentRow(0);
    bool answeredWhileOpen = false;
    ModalHandler details([&](QWidget* dialog) {
        answeredWhileOpen = synchroniseWhileOpen(dialog);
        dialog->findChild<QLineEdit*>("1026")->setText(QStringLiteral("Renamed"));
        dialog->findChild<QCheckBox*>("1022")->setChecked(true);
        QTest::mouseClick(dialog->findChild<QPushButton*>("1"), Qt::LeftButton);
    });
    QTest::mouseClick(button("1024"), Qt::LeftButton);
    ASSERT_TRUE(details.handled());
    EXPECT_TRUE(answeredWhileOpen);
    const auto album = readAlbum("Ann");
    EXPECT_EQ(namesOnDisk(false), (std::vector<std::string>{"Gamma", "Beta", "Renamed"}));
    EXPECT_EQ(album->records[2].privateFlag, 1);
    EXPECT_EQ(fieldText(album->records[2].picturePath), (folderOf("Ann") / "p0.bmp").string());
    EXPECT_EQ(album->records[0].privateFlag, 0);
}

TEST_F(ReloadUnderDialog, AnswerForAPhotoTheSynchronisationRemovedIsDropped)
{
    list()->setCurrentRow(1);  // Beta, whose record the synchronisation drops
    std::unique_ptr<ModalHandler> told;
    QString toldText;
    ModalHandler yes([&](QWidget* box) {
        auto album = readAlbum("Ann");
        album->count = 1;
        RecordingMessageBoxes quiet;
        ASSERT_TRUE(album->saveAlbum(folderOf("Ann"), quiet));
        EXPECT_TRUE(sendReload(box));
        clickButton(box, "&Yes");
        told = std::make_unique<ModalHandler>([&](QWidget* b) {
            toldText = static_cast<QMessageBox*>(b)->text();
            clickButton(b, "OK");
        });
    });
    QTest::mouseClick(button("1001"), Qt::LeftButton);
    ASSERT_TRUE(yes.handled());
    ASSERT_TRUE(told && told->handled());
    EXPECT_TRUE(toldText.startsWith("The photo is no longer in the album")) << toldText.toStdString();
    EXPECT_EQ(namesOnDisk(false), (std::vector<std::string>{"Alpha"}));
    EXPECT_TRUE(namesOnDisk(true).empty());
    EXPECT_TRUE(fs::exists(folderOf("Ann") / "p1.bmp")) << "the answer was dropped, no picture deleted";
    EXPECT_EQ(rows(), QStringList{"Alpha"});
}

class ReloadedUserList : public ::testing::Test, public WindowFixture {};

TEST_F(ReloadedUserList, ANewFolderForTheUserIsAChangeOfUserWithoutSavingTheOldAlbum)
{
    writeAlbum("Ann", {"Old"});
    profile.setString("Prefs", "PrevUser", "Ann");
    open();
    const std::string oldBytes = readFile(folderOf("Ann") / "Photos.dat");
    // The synchronisation moved Ann's folder and wrote her album there.
    const fs::path moved = dir / "ann2" / "Handfolio";
    fs::create_directories(moved);
    auto album = std::make_unique<Album>();
    writePicture(moved / "p0.bmp", Qt::red);
    album->appendRecord("Moved", moved / "p0.bmp", 3, 0, "Ann");
    RecordingMessageBoxes quiet;
    ASSERT_TRUE(album->saveAlbum(moved, quiet));
    writeFile(dir / "users.ini", "[Users]\nCount=2\nUser0=Bob\nFolder0=bob\nUser1=Ann\nFolder1=ann2\n"
                                 "[Creators]\nWz4k=Handfolio\n");

    window->reloadAlbum();
    EXPECT_EQ(window->programFolder(), moved);
    EXPECT_EQ(rows(), QStringList{"Moved"});
    EXPECT_EQ(readFile(folderOf("Ann") / "Photos.dat"), oldBytes);
    EXPECT_EQ(prefsUser(), "Ann");
}

TEST_F(ReloadedUserList, AFifoWhereAPictureShouldBeNeverBlocksTheWindow)
{
    writeAlbum("Ann", {"Piped"});
    fs::remove(folderOf("Ann") / "p0.bmp");
    ASSERT_EQ(::mkfifo((folderOf("Ann") / "p0.bmp").c_str(), 0600), 0);
    profile.setString("Prefs", "PrevUser", "Ann");
    open();  // the preview of the first photo would block here
    window->refreshPreview();
    EXPECT_EQ(rows(), QStringList{"Piped"});
    EXPECT_EQ(previewAt(10, 10), QColor(Qt::black)) << "no picture to show";
}

// Users lists that leave no program folder: nothing is read from or written
// to the folder the program was started from, and the commands are off.
class NoProgramFolder : public ::testing::TestWithParam<const char*> {};

TEST_P(NoProgramFolder, NothingIsReadOrWrittenAndTheCommandsAreOff)
{
    TempDir palm;
    TempDir cwd;
    writeFile(palm / "users.ini", GetParam());
    const std::string decoy = std::string(384, '\0');
    writeFile(cwd / "Photos.dat", decoy);
    const fs::path before = fs::current_path();
    fs::current_path(cwd.path());

    FileHandheldDesktop desktop(palm.path());
    std::vector<std::string> log;
    LoggingBoxes boxes(log);
    MemoryProfile profile;
    {
        AlbumWindow window(AlbumServices{profile, boxes, desktop, nullptr, [](QWidget*) {}, false});
        addPhotoSources(window);
        window.initialise();
        ASSERT_EQ(boxes.recorded.shown().size(), 1u) << "one message says how to add a user";
        EXPECT_EQ(boxes.recorded.shown()[0].caption, "Handfolio");
        EXPECT_NE(boxes.recorded.shown()[0].text.find((palm / "users.ini").string()), std::string::npos);
        EXPECT_EQ(window.findChild<QListWidget*>("1005")->count(), 0);
        EXPECT_EQ(window.previewText(), "No handheld user folder");
        EXPECT_FALSE(window.findChild<QPushButton*>("1000")->isEnabled());
        for (int id : {32780, 32779, 32773, 32774, 32784, 32777, 32778, 32782, 32783})
            EXPECT_FALSE(window.findChild<QAction*>(QString::number(id))->isEnabled()) << id;
        window.exitProgram();
    }
    fs::current_path(before);
    EXPECT_EQ(boxes.recorded.shown().size(), 1u) << "no save error at exit";
    EXPECT_EQ(readFile(cwd / "Photos.dat"), decoy);
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(cwd.path()))
        names.push_back(e.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"Photos.dat"});
}

INSTANTIATE_TEST_SUITE_P(
    UsersLists, NoProgramFolder,
    ::testing::Values("[Users]\nCount=0\n[Creators]\nWz4k=Handfolio\n", "[Users]\nCount=1\nUser0=Ann\nFolder0=ann\n",
                      "[Users]\nCount=1\nUser0=Ann\nFolder0=/nonexistent-drive/ann\n[Creators]\nWz4k=Handfolio\n"));

}  // namespace
