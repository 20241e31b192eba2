#include "ReloadService.h"
#include "AppTestSupport.h"
#include "ModalHelper.h"
#include "UserSession.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QProcess>

#include <gtest/gtest.h>

using namespace hf;
using namespace hf::test;

namespace {

class ReloadOverDBus : public ::testing::Test, public WindowFixture {};

// Another program asks over the session bus, as the synchronisation does
// after it has changed the album file.
TEST_F(ReloadOverDBus, ReloadMethodReadsTheAlbumAndUserListAgain)
{
    if (!QDBusConnection::sessionBus().isConnected())
        GTEST_SKIP() << "no session bus; the test script runs the suite inside its own D-Bus session";
    writeAlbum("Ann", {"Before"});
    window = std::make_unique<AlbumWindow>(AlbumServices{profile, boxes, *desktop, nullptr, [](QWidget*) {}, true});
    window->initialise();
    ASSERT_EQ(rows(), QStringList{"Before"});

    writeAlbum("Ann", {"After1", "After2"});
    ASSERT_TRUE(sendReloadOverTheBus());
    EXPECT_TRUE(waitUntil([&] { return rows() == QStringList{"After1", "After2"}; }));
    EXPECT_EQ(rows(), (QStringList{"After1", "After2"}));
}

// Two real starts of the program in one desktop session: the second hands
// over to the first, exits 0 and leaves the album alone.
TEST_F(ReloadOverDBus, ASecondStartHandsOverToTheFirst)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        GTEST_SKIP() << "no session bus; the test script runs the suite inside its own D-Bus session";
    writeAlbum("Ann", {"Only"});
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HANDFOLIO_PALM_DIR"), QString::fromStdString(dir.path().string()));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString((dir / "config").string()));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    const auto start = [&](QProcess& p) {
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(HANDFOLIO_PROGRAM), {});
        return p.waitForStarted();
    };
    QProcess first;
    ASSERT_TRUE(start(first));
    ASSERT_TRUE(waitUntil(
        [&] { return bus.interface()->isServiceRegistered(QString::fromLatin1(ReloadService::kService)); }, 15000));
    const FileIdentity before = identityOf(folderOf("Ann") / "Photos.dat");

    QProcess second;
    ASSERT_TRUE(start(second));
    EXPECT_TRUE(second.waitForFinished(10000)) << "the second start ends at once";
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running);
    EXPECT_EQ(identityOf(folderOf("Ann") / "Photos.dat"), before);
    first.terminate();
    if (!first.waitForFinished(5000))
        first.kill();
    first.waitForFinished();
}

}  // namespace
