// The library through a real proxy that asks for credentials (squid).

#include "ProxySettings.h"
#include "RecordingMessageBoxes.h"
#include "Servers.h"
#include "StoreFixture.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace hf::test {
namespace {

constexpr const char* kProxyUser = "proxyuser";
constexpr const char* kProxyPassword = "proxy pass";

const char* const kListing =
    "<?xml version=\"1.0\"?><d:multistatus xmlns:d=\"DAV:\">"
    "<d:response><d:href>/</d:href><d:propstat><d:prop><d:resourcetype><d:collection/></d:resourcetype>"
    "</d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat></d:response>"
    "<d:response><d:href>/Roll/</d:href><d:propstat><d:prop><d:resourcetype><d:collection/></d:resourcetype>"
    "</d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat></d:response></d:multistatus>";

class CorrectingDialog final : public ProxyDialogRunner {
public:
    CorrectingDialog(ProxySettings& s, bool ok, std::uint16_t port, const char* password)
        : settings_(s), ok_(ok), port_(port), password_(password)
    {
    }
    bool runProxyDialog() override
    {
        if (ok_) {
            settings_.port = port_;
            copyProxyText(settings_.password, password_);
        }
        return ok_;
    }

private:
    ProxySettings& settings_;
    bool ok_;
    std::uint16_t port_;
    const char* password_;
};

class SquidProxy : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!haveProgram("/usr/sbin/squid"))
            GTEST_SKIP() << "/usr/sbin/squid is not installed (scripts/setup.sh installs it)";
        makeReadable(dir_.path());
        squid_ = std::make_unique<ServerProcess>(
            scriptPath("proxy-squid.sh"),
            std::vector<std::string>{(dir_ / "squid").string(), "{port}", kProxyUser, kProxyPassword}, PortFrom::Chosen,
            dir_ / "squid.log");
        ASSERT_TRUE(squid_->ready()) << readFile(dir_ / "squid.log");
    }
    void TearDown() override
    {
        opc::OpcSetProxyCallback(nullptr);
        setProxyAnswerer(nullptr);
        unsetenv("no_proxy");
        unsetenv("http_proxy");
    }
    TempDir dir_;
    std::unique_ptr<ServerProcess> squid_;
};

TEST_F(SquidProxy, FailuresAskTheUserAndACorrectionIsTriedOnce)
{
    FakeHttpServer store({{"/", {207, kListing, ""}}});
    const std::uint16_t squidPort = std::uint16_t(squid_->port());
    const ClosedPort closed;
    const std::uint16_t deadPort = std::uint16_t(closed.port());
    const std::string plain = store.url();
    const std::string tunnel = "https://127.0.0.1:" + std::to_string(store.port()) + "/";
    struct Case {
        const char* what;
        std::string url;
        int enable;
        std::uint16_t port;
        const char* password;
        std::optional<MsgAnswer> answer;
        bool dialogOk;
        const char* correctedPassword;
        std::int32_t expected;
    };
    const std::vector<Case> cases = {
        {"refused, corrected and retried", plain, 1, squidPort, "wrong", MsgAnswer::Yes, true, kProxyPassword,
         opc::kOk},
        {"refused, the user says No", plain, 1, squidPort, "wrong", MsgAnswer::No, false, nullptr,
         opc::kCommunications},
        {"refused, the dialog cancelled", plain, 1, squidPort, "wrong", MsgAnswer::Yes, false, nullptr,
         opc::kCommunications},
        {"refused twice", plain, 1, squidPort, "wrong", MsgAnswer::Yes, true, "still wrong", opc::kCommunications},
        {"unreachable, then the right proxy", plain, 1, deadPort, kProxyPassword, MsgAnswer::Yes, true, kProxyPassword,
         opc::kOk},
        {"right from the start", plain, 1, squidPort, kProxyPassword, std::nullopt, false, nullptr, opc::kOk},
        {"box unchecked: direct, whatever http_proxy says", plain, 0, deadPort, "wrong", std::nullopt, false, nullptr,
         opc::kOk},
        // The proxy refuses the tunnel's CONNECT before any TLS is spoken.
        {"tunnel refused, the user says No", tunnel, 1, squidPort, "wrong", MsgAnswer::No, false, nullptr,
         opc::kCommunications},
    };
    // The user's proxy is used even for a server that no_proxy names.
    setenv("no_proxy", "127.0.0.1,localhost", 1);
    setenv("http_proxy", ("http://127.0.0.1:" + std::to_string(deadPort) + "/").c_str(), 1);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ProxySettings settings;
        settings.enable = c.enable;
        copyProxyText(settings.host, "127.0.0.1");
        settings.port = c.port;
        copyProxyText(settings.user, kProxyUser);
        copyProxyText(settings.password, c.password);
        RecordingMessageBoxes boxes;
        if (c.answer)
            boxes.script({*c.answer});
        CorrectingDialog dialog(settings, c.dialogOk, squidPort, c.correctedPassword);
        ProxyAnswerer answerer(settings, boxes, dialog);
        setProxyAnswerer(&answerer);
        opc::OpcSetProxyCallback(proxyCallback);

        std::int32_t session = 0;
        std::int32_t status = openSession(c.url, 0, &session);
        std::vector<std::string> rolls;
        if (status == opc::kOk)
            status = listRolls(session, kAccount, kPassword, &rolls);
        EXPECT_EQ(status, c.expected);
        if (status == opc::kOk) {
            EXPECT_EQ(rolls, std::vector<std::string>{"Roll"});
        }
        // One question at most per call, and only when the proxy failed.
        EXPECT_EQ(boxes.shown().size(), c.answer ? 1u : 0u);
        opc::OpcClose(session);
    }
}

}  // namespace
}  // namespace hf::test
