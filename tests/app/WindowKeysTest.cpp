// The Album window as a user drives it with keys and the mouse while its own
// modal loop runs.
#include "AppTestSupport.h"
#include "HelpWindow.h"
#include "ModalHelper.h"
#include "PhotoIntake.h"

#include <QAction>
#include <QComboBox>
#include <QMenuBar>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include <gtest/gtest.h>

using namespace hf;
using namespace hf::test;

namespace {

class WindowKeys : public ::testing::Test, public WindowFixture {
protected:
    // Runs steps inside the Album window's own modal loop, as the program
    // runs it, and ends the loop afterwards.
    void insideModalLoop(const std::function<void()>& steps)
    {
        QTimer::singleShot(0, [&] {
            activate();
            steps();
            window->done(0);
        });
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [&] { window->done(0); });
        watchdog.start(15000);
        window->exec();
    }

    // Shortcuts go to the active window only.
    void activate()
    {
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    // Where a link of the help page is, in the browser's viewport.
    static QPoint linkPosition(QTextBrowser* browser, const QString& href)
    {
        for (QTextBlock b = browser->document()->begin(); b.isValid(); b = b.next()) {
            for (auto it = b.begin(); !it.atEnd(); ++it) {
                const QTextFragment f = it.fragment();
                if (f.charFormat().anchorHref() != href)
                    continue;
                QTextCursor c(browser->document());
                c.setPosition(f.position() + f.length() / 2);
                return browser->cursorRect(c).center();
            }
        }
        return {-1, -1};
    }
};

TEST_F(WindowKeys, HelpTakesScrollLinksAndEscapeWhileTheWindowRunsModally)
{
    open();
    QPointer<HelpWindow> help;
    bool scrolled = false, followed = false, closedByEscape = false, windowStillUsable = false;
    insideModalLoop([&] {
        QTest::keyClick(window.get(), Qt::Key_F1);
        help = window->helpWindow();
        ASSERT_TRUE(help && help->isVisible());
        QTextBrowser* browser = help->browser();
        ASSERT_TRUE(waitUntil([&] { return !browser->toPlainText().isEmpty(); }));
        help->resize(400, 200);  // small enough to scroll
        QTest::keyClick(browser, Qt::Key_PageDown);
        scrolled = browser->verticalScrollBar()->value() > 0;
        browser->verticalScrollBar()->setValue(0);
        const QPoint link = linkPosition(browser, QStringLiteral("adding.html"));
        QTest::mouseClick(browser->viewport(), Qt::LeftButton, {}, link);
        followed = browser->source().fileName() == "adding.html";
        help->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(help));
        QTest::keyClick(browser, Qt::Key_Escape);
        closedByEscape = !help->isVisible();
        activate();
        QTest::keyClick(window.get(), Qt::Key_H, Qt::AltModifier);
        windowStillUsable = help->isVisible();
        help->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(help));
        QTest::keyClick(browser, Qt::Key_W, Qt::ControlModifier);
    });
    EXPECT_TRUE(scrolled);
    EXPECT_TRUE(followed);
    EXPECT_TRUE(closedByEscape);
    EXPECT_TRUE(windowStillUsable) << "Alt+H presses the Help button";
    ASSERT_TRUE(help);
    EXPECT_FALSE(help->isVisible()) << "Ctrl+W closes it too";
}

TEST_F(WindowKeys, AltLettersPressTheButtonsAndF10OpensTheMenus)
{
    open();
    activate();
    int adds = 0;
    window->intake().chooseFile = [&](QWidget*) {
        ++adds;
        return QString();
    };
    QTest::keyClick(window.get(), Qt::Key_A, Qt::AltModifier);
    EXPECT_EQ(adds, 1) << "the first press already adds a photo";
    QTest::keyClick(window.get(), Qt::Key_A, Qt::AltModifier);
    EXPECT_EQ(adds, 2);

    auto* bar = window->findChild<QMenuBar*>();
    QTest::keyClick(window.get(), Qt::Key_Alt);
    EXPECT_TRUE(bar->hasFocus() || bar->activeAction()) << "Alt alone reaches the menus";
    QTest::keyClick(bar, Qt::Key_Escape);
    QTest::keyClick(window.get(), Qt::Key_F10);
    ASSERT_NE(bar->activeAction(), nullptr);
    EXPECT_EQ(bar->activeAction()->text(), "&File");
    bar->activeAction()->menu()->close();
}

TEST_F(WindowKeys, PreviewFollowsTheSelectionWhenTheFirstOrLastPhotoIsRemoved)
{
    writeAlbum("Ann", {"A", "B", "C", "D"});
    open();
    window->show();
    const auto colourOf = [](int i) { return QColor::fromHsv(i * 40 % 360, 200, 220); };
    const auto centre = [&] {
        const QPixmap pane = child<QLabel>("1006")->pixmap();
        return pane.toImage().pixelColor(pane.width() / 2, pane.height() / 2);
    };
    // The photo at the given row is removed; then the preview shows `shown`.
    for (const auto& [row, shown] : std::vector<std::pair<int, int>>{{0, 1}, {2, 2}}) {
        list()->setCurrentRow(row);
        boxes.recorded.script({MsgAnswer::Yes});
        QTest::mouseClick(button("1001"), Qt::LeftButton);
        const QColor expected = colourOf(shown);
        EXPECT_LT(std::abs(centre().hue() - expected.hue()), 3) << "after removing row " << row;
        EXPECT_EQ(label("1030").toStdString(), std::string(1, static_cast<char>('A' + shown)));
    }
}

TEST_F(WindowKeys, ChoosingTheCurrentEntryAgainChangesNothing)
{
    // A record in an empty category: the repair in memory would be saved by
    // any save, so an unchanged file shows that nothing was saved.
    writeAlbum("Ann", {"A", "B"}, {1, 9});
    profile.setString("Prefs", "PrevUser", "Ann");
    open();
    window->show();
    const std::string before = readFile(folderOf("Ann") / "Photos.dat");
    auto* filter = child<QComboBox>("1020");
    auto* users = child<QComboBox>("1021");
    const auto chooseAgain = [](QComboBox* box) {
        box->setFocus();
        QTest::keyClick(box, Qt::Key_F4);
        QTest::keyClick(box->view(), Qt::Key_Return);
    };
    list()->setCurrentRow(1);
    chooseAgain(filter);
    EXPECT_EQ(list()->currentRow(), 1) << "the list was not filled again";

    QTest::keyClick(filter, Qt::Key_Down);  // a new entry
    const QString chosen = filter->currentText();
    ASSERT_NE(chosen, "All");
    chooseAgain(users);
    EXPECT_EQ(filter->currentText(), chosen) << "the filter is kept";
    EXPECT_EQ(readFile(folderOf("Ann") / "Photos.dat"), before) << "nothing saved";
    EXPECT_TRUE(boxes.recorded.shown().empty());
}

TEST_F(WindowKeys, EnlargedWindowGivesThePhotoListTheRoom)
{
    writeAlbum("Ann", {"A"});
    open().resize(1000, 700);
    window->show();
    const QSize small = window->size();
    EXPECT_EQ(window->minimumSize(), small) << "opens at the template's size, the smallest";
    EXPECT_EQ(window->maximumSize(), small) << "fixed until drawn, so that tiling desktops float it";
    const QRect list0 = list()->geometry();
    auto* pane = child<QLabel>("1006");
    const QRect pane0 = pane->geometry();
    ASSERT_TRUE(waitUntil([&] { return window->maximumWidth() > small.width(); })) << "resizable once drawn";
    window->resize(small + QSize(300, 200));
    ASSERT_TRUE(waitUntil([&] { return list()->width() == list0.width() + 300; }));
    EXPECT_EQ(list()->height(), list0.height() + 200);
    EXPECT_EQ(pane->size(), pane0.size()) << "the preview stays 1:1";
    EXPECT_EQ(pane->geometry().topLeft(), pane0.topLeft() + QPoint(300, 100));
    EXPECT_LT(list()->geometry().right(), pane->geometry().left());
    window->resize(small);
    ASSERT_TRUE(waitUntil([&] { return list()->geometry() == list0; }));
}

}  // namespace
