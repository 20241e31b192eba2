#include "AppTestSupport.h"
#include "ModalHelper.h"

#include <QDBusConnection>
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

}  // namespace
