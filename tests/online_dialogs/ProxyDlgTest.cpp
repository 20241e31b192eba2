#include "ProxyDlg.h"
#include "Profile.h"
#include "RecordingMessageBoxes.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace hf;

namespace {

// The desktop's proxy as the dialog's Reset reads it.
class Windows final : public InternetSettings {
public:
    bool open() override { return true; }
    std::optional<std::uint32_t> proxyEnable() override { return enabled; }
    std::optional<std::string> proxyServer() override { return text; }
    std::uint32_t enabled = 1;
    std::string text = "http=cache:8080;ftp=other:21";
};

class ProxyDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings.enable = 1;
        copyProxyText(settings.host, "proxy.lan");
        settings.port = 3128;
        copyProxyText(settings.user, "me");
        copyProxyText(settings.password, "secret");
    }
    QLineEdit* edit(CProxyDlg& d, const char* id) { return d.findChild<QLineEdit*>(id); }
    void type(QLineEdit* e, const QString& text)
    {
        e->selectAll();
        QTest::keyClick(e, Qt::Key_Delete);
        QTest::keyClicks(e, text);
    }
    void clickOk(CProxyDlg& d) { QTest::mouseClick(d.findChild<QPushButton*>("1"), Qt::LeftButton); }

    ProxySettings settings;
    MemoryProfile profile;
    Windows windows;
    RecordingMessageBoxes boxes;
};

TEST_F(ProxyDialog, PortTextsAreSavedAsParsedBeforeTheCheckKeepsTheDialogOpen)
{
    struct Case {
        const char* text;
        int saved;
        bool closes;
    } cases[] = {
        {"8080", 8080, true},        {"80abc", 80, false},     {"abc", 0, false},    {"70000", 70000 & 0xFFFF, true},
        {"4294967295", 65535, true}, {"4294967296", 0, false}, {" -5", 65531, false}};
    for (const Case& c : cases) {
        boxes.clear();
        CProxyDlg dialog(settings, profile, windows, boxes);
        dialog.show();
        type(edit(dialog, "1007"), QString::fromLatin1(c.text));
        clickOk(dialog);
        EXPECT_EQ(profile.getInt("Proxy", "ProxyPort", -1), c.saved) << c.text;
        EXPECT_EQ(profile.getInt("Proxy", "Init", 0), 1);
        EXPECT_EQ(dialog.isVisible(), !c.closes) << c.text;
        if (!c.closes) {
            ASSERT_EQ(boxes.shown().size(), 1u) << c.text;
            EXPECT_EQ(boxes.shown()[0].text, "Please enter a positive integer.");
        }
    }
}

TEST_F(ProxyDialog, TheBoxGreysTheFieldsResetReadsTheDesktopAndCancelKeepsTheProfile)
{
    CProxyDlg dialog(settings, profile, windows, boxes);
    dialog.show();
    auto* use = dialog.findChild<QCheckBox*>("1010");
    EXPECT_EQ(dialog.windowTitle(), "Proxy Server Information");
    EXPECT_TRUE(use->isChecked());
    EXPECT_EQ(edit(dialog, "1008")->text(), "proxy.lan");
    EXPECT_EQ(edit(dialog, "1001")->echoMode(), QLineEdit::Password);
    QTest::mouseClick(use, Qt::LeftButton);
    for (const char* id : {"1011", "1012", "1013", "1014", "1015", "1016", "1008", "1007", "1009", "1001"})
        EXPECT_FALSE(dialog.findChild<QWidget*>(id)->isEnabled()) << id;

    QTest::mouseClick(dialog.findChild<QPushButton*>("1018"), Qt::LeftButton);
    EXPECT_TRUE(use->isChecked());
    EXPECT_EQ(edit(dialog, "1008")->text(), "CACHE");
    EXPECT_EQ(edit(dialog, "1007")->text(), "8080");
    EXPECT_TRUE(edit(dialog, "1009")->text().isEmpty());
    EXPECT_TRUE(edit(dialog, "1008")->isEnabled());

    windows.enabled = 0;  // the desktop's proxy switched off: unchecked, texts kept
    QTest::mouseClick(dialog.findChild<QPushButton*>("1018"), Qt::LeftButton);
    EXPECT_FALSE(use->isChecked());
    EXPECT_EQ(edit(dialog, "1008")->text(), "CACHE");
    EXPECT_FALSE(edit(dialog, "1008")->isEnabled());
    QTest::mouseClick(dialog.findChild<QPushButton*>("2"), Qt::LeftButton);
    EXPECT_EQ(profile.getInt("Proxy", "Init", 0), 0) << "Cancel writes nothing";
    EXPECT_STREQ(settings.host, "proxy.lan");

    // Unchecking and OK keeps the host and port, with the box off.
    CProxyDlg again(settings, profile, windows, boxes);
    again.show();
    QTest::mouseClick(again.findChild<QCheckBox*>("1010"), Qt::LeftButton);
    clickOk(again);
    EXPECT_EQ(again.result(), QDialog::Accepted);
    EXPECT_EQ(profile.getInt("Proxy", "ProxyEnable", -1), 0);
    EXPECT_EQ(profile.getString("Proxy", "ProxyName", ""), "proxy.lan");
    EXPECT_EQ(profile.getInt("Proxy", "ProxyPort", 0), 3128);
}

}  // namespace
