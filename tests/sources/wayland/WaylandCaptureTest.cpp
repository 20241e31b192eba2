// The screen capture on a real Wayland desktop, run by ctest inside
// scripts/wayland-session.sh: the program under sway, the frozen desktop from
// the screenshot portal, keys and a drag from the X server sway draws into.
#include "Album.h"
#include "ImageIO.h"
#include "RecordingMessageBoxes.h"
#include "TempDir.h"
#include "Text.h"

#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>

using namespace hf;
using namespace std::chrono_literals;

namespace {

bool waitFor(const std::function<bool()>& condition, std::chrono::seconds limit)
{
    for (const auto deadline = std::chrono::steady_clock::now() + limit; !condition(); QThread::msleep(50))
        if (std::chrono::steady_clock::now() > deadline)
            return false;
    return true;
}

bool run(const QString& tool, const QStringList& arguments)
{
    QProcess process;
    process.start(tool, arguments);
    return process.waitForFinished(10000) && process.exitCode() == 0;
}

// Whether the title of the window that has sway's keyboard focus matches.
bool focusIsOn(const char* title)
{
    return run("swaymsg", {QStringLiteral("[con_id=__focused__ title=\"^%1$\"] nop").arg(QLatin1String(title))});
}

TEST(WaylandCapture, DraggedRectangleIsFiledAsANewPhoto)
{
    if (qEnvironmentVariableIsEmpty("SWAYSOCK"))
        GTEST_SKIP() << "runs inside scripts/wayland-session.sh (ctest starts it so)";
    const test::TempDir palm;
    const std::filesystem::path folder = palm / "ann" / "Handfolio";
    std::filesystem::create_directories(folder);
    test::writeFile(palm / "users.ini", "[Users]\nCount=1\nUser0=Ann\nFolder0=ann\n[Creators]\nWz4k=Handfolio\n");
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HANDFOLIO_PALM_DIR"), QString::fromStdString(palm.path().string()));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString((palm / "config").string()));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(QStringLiteral(HANDFOLIO_PROGRAM), {});

    // X gives the keys to the window under the pointer, which is sway's.
    ASSERT_TRUE(waitFor([] { return focusIsOn("Handfolio Album Creator .*"); }, 20s));
    ASSERT_TRUE(run("xdotool", {"mousemove", "640", "1000", "key", "F10", "c"}));
    // The frozen desktop, whose windows bear the program's name.
    ASSERT_TRUE(waitFor([] { return focusIsOn("Handfolio"); }, 15s));
    ASSERT_TRUE(run("xdotool", {"mousemove", "100", "100", "mousedown", "1", "mousemove", "300", "250", "mousemove",
                                "500", "400", "mouseup", "1"}));
    ASSERT_TRUE(waitFor([] { return focusIsOn("Handfolio Picture Editor"); }, 15s));
    ASSERT_TRUE(run("xdotool", {"key", "Return"}));
    ASSERT_TRUE(waitFor([] { return focusIsOn("Picture Name"); }, 10s));
    ASSERT_TRUE(run("xdotool", {"key", "Return"}));

    const auto album = std::make_unique<Album>();
    RecordingMessageBoxes quiet;
    ASSERT_TRUE(waitFor(
        [&] {
            album->loadAlbum(folder, quiet);
            return album->count == 1;
        },
        10s));
    EXPECT_EQ(fieldText(album->records[0].pictureName), "New Picture");
    EXPECT_EQ(recordPath(album->records[0]).parent_path(), folder);
    const LBitmap picture = loadBitmap(recordPath(album->records[0]));
    EXPECT_EQ(picture.GetWidth(), 160);
    EXPECT_EQ(picture.GetHeight(), 160);
}  // The program is killed with its QProcess.

}  // namespace
