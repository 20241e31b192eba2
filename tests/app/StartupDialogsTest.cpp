#include "AboutBox.h"
#include "AppTestSupport.h"
#include "HelpWindow.h"
#include "ModalHelper.h"
#include "SplashWindow.h"

#include <QAction>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTest>
#include <QTextBrowser>

#include <gtest/gtest.h>

using namespace hf;
using namespace hf::test;

namespace {

TEST(Splash, ShowsTheArtworkAndClosesByItselfOrOnEscape)
{
    {
        QElapsedTimer timer;
        timer.start();
        SplashWindow splash;
        auto* picture = splash.findChild<QLabel*>("133");
        ASSERT_NE(picture, nullptr);
        EXPECT_EQ(picture->pixmap().size(), QSize(600, 396));
        EXPECT_TRUE(splash.windowFlags().testFlag(Qt::FramelessWindowHint));
        EXPECT_EQ(splash.exec(), 0);
        EXPECT_GE(timer.elapsed(), SplashWindow::kShowMs - 100) << "closed by its timer, not before";
    }
    {
        SplashWindow splash;
        bool pressed = false;
        QTimer::singleShot(100, &splash, [&] {
            pressed = true;
            QTest::keyClick(&splash, Qt::Key_Escape);
        });
        QElapsedTimer timer;
        timer.start();
        EXPECT_EQ(splash.exec(), 0);
        EXPECT_TRUE(pressed);
        EXPECT_LT(timer.elapsed(), SplashWindow::kShowMs);
    }
}

class Dialogs : public ::testing::Test, public WindowFixture {};

TEST_F(Dialogs, AboutBoxFromTheHelpMenu)
{
    open();
    QString title, text;
    ModalHandler about([&](QWidget* w) {
        title = w->windowTitle();
        for (QLabel* l : w->findChildren<QLabel*>())
            if (!l->text().isEmpty())
                text = l->text();
        clickButton(w, QStringLiteral("OK"));
    });
    window->findChild<QAction*>("32772")->trigger();
    EXPECT_TRUE(about.handled());
    EXPECT_EQ(title, "About Handfolio 2.6");
    EXPECT_EQ(text, "Handfolio Version 2.6");
}

TEST_F(Dialogs, HelpOpensTheManualAndClosesWithTheWindow)
{
    open();
    button("57670")->click();
    QPointer<HelpWindow> help = window->helpWindow();
    ASSERT_TRUE(help);
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->browser()->source(), QUrl("qrc:/help/index.html"));
    EXPECT_TRUE(help->browser()->toPlainText().contains("Handfolio"));
    EXPECT_TRUE(help->browser()->toPlainText().contains("Add Photo"));
    window->findChild<QAction*>("57670")->trigger();
    EXPECT_EQ(window->helpWindow(), help.data()) << "one help window";
    close();
    EXPECT_TRUE(help.isNull());
}

TEST_F(Dialogs, ProgramIconHasBothSizes)
{
    open();
    const QIcon icon = window->windowIcon();
    ASSERT_FALSE(icon.isNull());
    EXPECT_FALSE(icon.pixmap(16, 16).isNull());
    EXPECT_EQ(icon.pixmap(32, 32).size(), QSize(32, 32));
}

}  // namespace
