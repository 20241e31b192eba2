// Proxy settings: the Windows text, the port text, first use, the answers
// the library gets, and the desktop's settings in the Windows form.

#include "ProxySettings.h"
#include "DesktopProxy.h"
#include "RecordingMessageBoxes.h"

#include <gio/gio.h>
#include <gtest/gtest.h>

#include <cstdlib>

namespace hf {
namespace {

struct TextCase {
    const char* text;
    std::optional<WindowsProxyEntry> expected;
};

TEST(WindowsProxyText, FirstHttpEntryInCapitalsPitfallsIncluded)
{
    const std::vector<TextCase> cases = {
        {"http=cache:80;ftp=other:21", WindowsProxyEntry{"CACHE", "80"}},
        {"https=first:443;http=second:80", WindowsProxyEntry{"FIRST", "443"}},  // HTTPS starts with HTTP
        {"ftp=f:21;Http=Mixed.Case:8080", WindowsProxyEntry{"MIXED.CASE", "8080"}},
        {"http=host", WindowsProxyEntry{"HOST", ""}},
        {"http=host;https=s:443", WindowsProxyEntry{"HOST", ""}},
        {"http=:", WindowsProxyEntry{"", ""}},
        {"http=[::1]:3128", WindowsProxyEntry{"[::1]", "3128"}},
        {"http=[fe80::1%eth0]:80;https=s:443", WindowsProxyEntry{"[FE80::1%ETH0]", "80"}},
        {"http=[::1];https=s:443", WindowsProxyEntry{"[::1]", ""}},
        {"http=[::1;https=s:443", WindowsProxyEntry{"[", ":1"}},
        {"cache:80", std::nullopt},  // one proxy for all protocols names none
        {"ftp=other:21", std::nullopt},
        {"http:cache:80", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        const auto got = parseWindowsProxyText(c.text);
        ASSERT_EQ(got.has_value(), c.expected.has_value()) << c.text;
        if (got) {
            EXPECT_EQ(got->host, c.expected->host) << c.text;
            EXPECT_EQ(got->portText, c.expected->portText) << c.text;
        }
    }
}

TEST(ProxyPortText, LeadingDigitsLow16Bits)
{
    const std::vector<std::pair<const char*, int>> cases = {
        {"80", 80},       {"80abc", 80}, {"abc", 0},      {"", 0},       {"  +81", 81},
        {"65535", 65535}, {"65536", 0},  {"70000", 4464}, {"-1", 65535}, {"8 0", 8},
    };
    for (const auto& [text, port] : cases)
        EXPECT_EQ(proxyPortFromText(text), port) << text;
}

class FakeWindows final : public InternetSettings {
public:
    bool opens = true;
    std::optional<std::uint32_t> enable;
    std::optional<std::string> server;
    int reads = 0;
    bool open() override
    {
        ++reads;
        return opens;
    }
    std::optional<std::uint32_t> proxyEnable() override { return enable; }
    std::optional<std::string> proxyServer() override { return server; }
};

struct FirstUse {
    const char* what;
    bool opens;
    std::optional<std::uint32_t> enable;
    std::optional<std::string> server;
    int expectedEnable;
    std::string expectedHost;
    int expectedPort;
};

TEST(ProxySettingsLoad, FirstUseTakesTheWindowsSettingsOverOnce)
{
    const std::string longHost(100, 'h');
    const std::vector<FirstUse> cases = {
        {"http entry", true, 1, "http=cache:80;ftp=other:21", 1, "CACHE", 80},
        {"https before http", true, 1, "https=first:443;http=second:80", 1, "FIRST", 443},
        {"one proxy for all", true, 1, "cache:80", 0, "", 0},
        {"switched off", true, 0, "http=cache:80", 0, "", 0},
        {"no switch", true, std::nullopt, "http=cache:80", 0, "", 0},
        {"no server text", true, 1, std::nullopt, 0, "", 0},
        {"no key", false, 1, "http=cache:80", 0, "", 0},
        {"port out of range", true, 1, "http=cache:70000", 1, "CACHE", 4464},
        {"host too long", true, 1, "http=" + longHost + ":1", 1, std::string(79, 'H'), 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MemoryProfile profile;
        FakeWindows windows;
        windows.opens = c.opens;
        windows.enable = c.enable;
        windows.server = c.server;
        ProxySettings s;
        loadProxySettings(s, profile, windows);
        EXPECT_EQ(s.enable, c.expectedEnable);
        EXPECT_EQ(std::string(s.host), c.expectedHost);
        EXPECT_EQ(s.port, c.expectedPort);
        EXPECT_STREQ(s.user, "");
        EXPECT_EQ(profile.getInt("Proxy", "Init", 0), 1);
        EXPECT_EQ(profile.getInt("Proxy", "ProxyEnable", -1), c.expectedEnable);
        EXPECT_EQ(profile.getString("Proxy", "ProxyName", "?"), c.expectedHost);
        EXPECT_EQ(profile.getInt("Proxy", "ProxyPort", -1), c.expectedPort);
        EXPECT_TRUE(profile.contains("Proxy", "ProxyUserId") && profile.contains("Proxy", "ProxyPassword"));

        // Later loads read the profile and leave the Windows settings alone.
        profile.setString("Proxy", "ProxyUserId", "ann");
        ProxySettings again;
        loadProxySettings(again, profile, windows);
        EXPECT_EQ(windows.reads, 1);
        EXPECT_EQ(again.enable, c.expectedEnable);
        EXPECT_STREQ(again.user, "ann");
    }
}

class FakeDialog final : public ProxyDialogRunner {
public:
    FakeDialog(ProxySettings& s, bool ok) : settings_(s), ok_(ok) {}
    bool runProxyDialog() override
    {
        ++runs;
        if (ok_)
            copyProxyText(settings_.password, "corrected");
        return ok_;
    }
    int runs = 0;

private:
    ProxySettings& settings_;
    bool ok_;
};

TEST(ProxyAnswers, AskFailAndOtherReasons)
{
    struct Case {
        const char* what;
        int enable;
        std::int32_t reason;
        std::optional<MsgAnswer> question;
        bool dialogOk;
        int expected;
        const char* host;  // nullptr: the record is left alone
        const char* password;
    };
    const std::vector<Case> cases = {
        {"asked, box checked", 1, -1, std::nullopt, false, 1, "proxy.lan", "old"},
        {"asked, box unchecked: direct", 0, -1, std::nullopt, false, 1, "", "old"},
        {"failed, No", 1, 0, MsgAnswer::No, false, 0, nullptr, nullptr},
        {"failed, Yes then Cancel", 1, 0, MsgAnswer::Yes, false, 0, nullptr, nullptr},
        {"failed, Yes then OK", 1, 0, MsgAnswer::Yes, true, 1, "proxy.lan", "corrected"},
        {"another reason", 1, 7, std::nullopt, false, 1, nullptr, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ProxySettings s;
        s.enable = c.enable;
        copyProxyText(s.host, "proxy.lan");
        s.port = 3128;
        copyProxyText(s.user, "me");
        copyProxyText(s.password, "old");
        RecordingMessageBoxes boxes;
        if (c.question)
            boxes.script({*c.question});
        FakeDialog dialog(s, c.dialogOk);
        ProxyAnswerer answerer(s, boxes, dialog);
        opc::ProxyRecord record{};
        EXPECT_EQ(answerer.answer(&record, c.reason), c.expected);
        if (c.host) {
            EXPECT_STREQ(record.host, c.host);
            EXPECT_EQ(record.port, 3128);
            EXPECT_STREQ(record.user, "me");
            EXPECT_STREQ(record.password, c.password);
        } else {
            EXPECT_EQ(record.host, nullptr);
        }
        ASSERT_EQ(boxes.shown().size(), c.question ? 1u : 0u);
        if (c.question) {
            EXPECT_EQ(boxes.shown()[0].text,
                      "There were problems connecting to your proxy server.\n\nIf you wish to configure your "
                      "proxy server connection, press Yes.");
            EXPECT_EQ(boxes.shown()[0].caption, "Can't Connect");
            EXPECT_EQ(boxes.shown()[0].style, MsgStyle::YesNo);
            EXPECT_EQ(dialog.runs, *c.question == MsgAnswer::Yes ? 1 : 0);
        }
    }
}

TEST(DesktopProxy, EnvironmentUrlsBecomeTheWindowsText)
{
    EXPECT_EQ(windowsProxyText("http://user:pw@proxy.lan:3128/", ""), "http=proxy.lan:3128");
    EXPECT_EQ(windowsProxyText("proxy:8080", "https://p2:443"), "http=proxy:8080;https=p2:443");
    EXPECT_EQ(windowsProxyText("", "http://s:1/"), "https=s:1");
    EXPECT_EQ(windowsProxyText("http://[::1]:3128/", ""), "http=[::1]:3128");
}

TEST(DesktopProxy, GnomeManualModeIsOnAndOthersAreOff)
{
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    GSettingsSchema* schema =
        source ? g_settings_schema_source_lookup(source, "org.gnome.system.proxy", TRUE) : nullptr;
    if (!schema)
        GTEST_SKIP() << "GNOME's proxy schema is not installed (gsettings-desktop-schemas)";
    g_settings_schema_unref(schema);
    GSettings* proxy = g_settings_new("org.gnome.system.proxy");
    GSettings* http = g_settings_new("org.gnome.system.proxy.http");
    GSettings* https = g_settings_new("org.gnome.system.proxy.https");
    g_settings_set_string(http, "host", "cache.lan");
    g_settings_set_int(http, "port", 3128);
    g_settings_set_string(https, "host", "fd00::2");  // an IPv6 address gets its brackets
    g_settings_set_int(https, "port", 443);
    for (const char* mode : {"manual", "none", "auto"}) {
        g_settings_set_string(proxy, "mode", mode);
        auto desktop = makeDesktopInternetSettings();
        ASSERT_TRUE(desktop->open());
        EXPECT_EQ(desktop->proxyEnable(), std::string(mode) == "manual" ? 1u : 0u) << mode;
        EXPECT_EQ(desktop->proxyServer(), "http=cache.lan:3128;https=[fd00::2]:443");
    }
    g_object_unref(proxy);
    g_object_unref(http);
    g_object_unref(https);
}

}  // namespace
}  // namespace hf

int main(int argc, char** argv)
{
    // Desktop settings in memory only: the tests never touch the user's.
    setenv("GSETTINGS_BACKEND", "memory", 1);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
