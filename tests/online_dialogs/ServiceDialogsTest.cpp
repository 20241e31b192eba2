#include "ServiceDialogs.h"
#include "ModalHelper.h"
#include "PhotoChooserDlg.h"
#include "RecordingMessageBoxes.h"
#include "ServiceWindows.h"
#include "TempDir.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <thread>

using namespace hf;
using namespace hf::test;

namespace {

QStringList texts(const QListWidget* list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

void clickItem(QListWidget* list, int row, bool twice = false)
{
    const QPoint at = list->visualItemRect(list->item(row)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    if (twice)
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
}

TEST(LoginDialog, ConnectNeedsBothTextsAndEachHoldsAtMost99Bytes)
{
    CLoginDlg login("http://127.0.0.1:3011/");
    auto* email = login.findChild<QLineEdit*>("1000");
    auto* password = login.findChild<QLineEdit*>("1001");
    auto* connect = login.findChild<QPushButton*>("1");
    EXPECT_EQ(login.windowTitle(), "Access Kodak PhotoNet online");
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);
    EXPECT_FALSE(connect->isEnabled());
    QTest::keyClicks(email, QStringLiteral("ann@example.org"));
    EXPECT_FALSE(connect->isEnabled());
    QTest::keyClicks(password, QStringLiteral("s"));
    EXPECT_TRUE(connect->isEnabled());
    QTest::keyClick(password, Qt::Key_Backspace);
    EXPECT_FALSE(connect->isEnabled());

    password->clear();
    for (int i = 0; i < 60; ++i)  // two bytes each in UTF-8
        QTest::sendKeyEvent(QTest::Click, password, Qt::Key_unknown, QString(QChar(0x00E9)), Qt::NoModifier);
    EXPECT_EQ(login.password().size(), 98u);
    login.setAccount("ann@example.org", "secret");
    EXPECT_TRUE(connect->isEnabled()) << "a second login comes prefilled";
    EXPECT_TRUE(login.findChild<QLabel*>("accountNote")->text().contains("href=\"http://127.0.0.1:3011/\""));
    QTextDocument note;
    note.setHtml(login.findChild<QLabel*>("accountNote")->text());
    EXPECT_TRUE(note.toPlainText().contains("online.  You can")) << "both spaces shown";

    int proxyDialogs = 0;
    login.openProxyDialog = [&] { ++proxyDialogs; };
    QTest::mouseClick(login.findChild<QPushButton*>("1009"), Qt::LeftButton);
    EXPECT_EQ(proxyDialogs, 1);
}

TEST(RollsDialog, SortedAsReadChosenByNameAndOpenWithoutChoiceIsTold)
{
    RecordingMessageBoxes boxes;
    CRollsDlg rolls({"Summer", "Zoo", "birthday"}, boxes);
    auto* list = rolls.findChild<QListWidget*>("1002");
    EXPECT_EQ(texts(list), (QStringList{"birthday", "Summer", "Zoo"})) << "case does not split the order";
    rolls.show();
    QTest::mouseClick(rolls.findChild<QPushButton*>("1"), Qt::LeftButton);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, "Please select a roll of film");
    EXPECT_EQ(boxes.shown()[0].caption, "Open");
    EXPECT_EQ(boxes.shown()[0].style, MsgStyle::Ok);
    EXPECT_TRUE(rolls.isVisible());

    clickItem(list, 0, true);
    EXPECT_EQ(rolls.result(), QDialog::Accepted);
    EXPECT_EQ(rolls.chosenRoll(), "birthday");

    CRollsDlg none({}, boxes);
    none.show();
    QTest::mouseClick(none.findChild<QPushButton*>("1"), Qt::LeftButton);
    EXPECT_EQ(boxes.shown().size(), 2u) << "an empty roll list only shows the note";
    EXPECT_TRUE(none.chosenRoll().empty());
}

class PhotoChooser : public ::testing::Test {
protected:
    void writeThumbnail(int number, QSize size, QColor colour)
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(colour);
        char name[16];
        std::snprintf(name, sizeof name, "t%04d.jpg", number);
        ASSERT_TRUE(image.save(QString::fromStdString((dir / name).string()), "JPG", 95));
    }
    TempDir dir;
    RecordingMessageBoxes boxes;
};

TEST_F(PhotoChooser, MissingThumbnailIsToldOnceAndItemsKeepTheirNumbers)
{
    writeThumbnail(1, {80, 60}, Qt::red);
    writeThumbnail(3, {61, 99}, Qt::blue);
    CPhotoChooserDlg chooser(dir.path(), 3, boxes);
    chooser.loadThumbnails();
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, "Error Loading Photo " + (dir / "t0002.jpg").string());
    EXPECT_EQ(boxes.shown()[0].caption, "Error Loading Photo");
    EXPECT_EQ(boxes.shown()[0].style, MsgStyle::Exclamation);
    auto* list = chooser.findChild<QListWidget*>("1003");
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(0)->data(Qt::UserRole).toInt(), 0);
    EXPECT_EQ(list->item(1)->data(Qt::UserRole).toInt(), 2);

    chooser.show();
    QTest::mouseClick(chooser.findChild<QPushButton*>("1"), Qt::LeftButton);
    EXPECT_EQ(boxes.shown().back().text, "Please select a photo from the list.");
    EXPECT_EQ(boxes.shown().back().caption, "Select Photos");

    clickItem(list, 1);
    // Drawn: the selected item on gray, the other on white, each framed in
    // black with its thumbnail in the middle.
    const QImage shot = list->viewport()->grab().toImage();
    const QRect first = list->visualItemRect(list->item(0));
    const QRect second = list->visualItemRect(list->item(1));
    ASSERT_EQ(first.height(), 100);
    EXPECT_EQ(first.width(), list->viewport()->width()) << "as a list box item, the whole width";
    EXPECT_EQ(shot.pixelColor(first.topLeft()), QColor(Qt::black));
    EXPECT_EQ(shot.pixelColor(first.topLeft() + QPoint(3, 3)), QColor(Qt::white));
    EXPECT_EQ(shot.pixelColor(second.topLeft() + QPoint(3, 3)), QColor(128, 128, 128));
    const QPoint origin = thumbnailOrigin(second, {61, 99});
    EXPECT_EQ(origin, second.topLeft() + QPoint((second.width() - 61) / 2, 0));
    EXPECT_LT(shot.pixelColor(origin + QPoint(30, 50)).red(), 40);
    EXPECT_GT(shot.pixelColor(origin + QPoint(30, 50)).blue(), 200);
    EXPECT_EQ(shot.pixelColor(origin + QPoint(-2, 50)), QColor(128, 128, 128));

    QTest::mouseClick(chooser.findChild<QPushButton*>("1"), Qt::LeftButton);
    EXPECT_EQ(chooser.result(), QDialog::Accepted);
    EXPECT_EQ(chooser.chosenIndex(), 2);
}

TEST_F(PhotoChooser, EveryDeliveredThumbnailIsListed)
{
    for (int n = 1; n <= 60; ++n)
        writeThumbnail(n, {40, 30}, QColor::fromHsv(n * 5, 200, 200));
    CPhotoChooserDlg chooser(dir.path(), 60, boxes);
    chooser.loadThumbnails();
    EXPECT_TRUE(boxes.shown().empty());
    EXPECT_EQ(chooser.findChild<QListWidget*>("1003")->count(), 60);
}

// Cancel by the button, by Esc and by the close box: the flag is up, the
// window gone at once, the object still there for the worker.
class ServiceWindowCancel : public ::testing::TestWithParam<int> {};

TEST_P(ServiceWindowCancel, RaisesTheFlagAndDestroysTheWindow)
{
    QWidget owner;
    CConnectingWnd connecting(&owner, QStringLiteral("Connecting"), QStringLiteral("Connecting to Kodak ..."));
    QPointer<QWidget> w = connecting.window();
    ASSERT_TRUE(w && w->isVisible());
    EXPECT_EQ(w->windowTitle(), "Connecting");
    EXPECT_TRUE(w->isWindow());
    switch (GetParam()) {
    case 0:
        QTest::mouseClick(w->findChild<QPushButton*>("2"), Qt::LeftButton);
        break;
    case 1:
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w));
        QTest::keyClick(w, Qt::Key_Escape);
        break;
    case 2:
        w->close();
        break;
    }
    EXPECT_EQ(connecting.cancelFlag().load(), 1);
    EXPECT_FALSE(w && w->isVisible());
    EXPECT_EQ(connecting.window(), nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(w.isNull());
}

INSTANTIATE_TEST_SUITE_P(Ways, ServiceWindowCancel, ::testing::Values(0, 1, 2));

TEST(ServiceWindows, WorkerThreadsChangeTextAndBarThroughTheUserInterfaceThread)
{
    QWidget owner;
    CConnectingWnd connecting(&owner, QStringLiteral("Connecting"), QStringLiteral("Connecting to Kodak ..."));
    CProgressWnd progress(&owner, QStringLiteral("Downloading Images"));
    EXPECT_EQ(progress.position(), 0);
    EXPECT_EQ(progress.window()->findChild<QProgressBar*>("1006")->maximum(), 100);
    std::thread worker([&] {
        connecting.setStatusText("Connecting to Kodak ...");
        connecting.setStatusText("Checking the account ...");
        for (int p = 10; p <= 40; p += 10)
            progress.setPosition(p);
    });
    worker.join();
    EXPECT_TRUE(waitUntil([&] { return progress.position() == 40; }));
    EXPECT_EQ(connecting.statusText(), "Checking the account ...");
    EXPECT_EQ(connecting.cancelFlag().load(), 0);
}

}  // namespace
