// The screen capture on a real Wayland desktop, run by ctest inside
// scripts/wayland-session.sh: the program under sway, the frozen desktop from
// the screenshot portal, keys and a drag from the X server sway draws into.
#include "Album.h"
#include "ImageIO.h"
#include "RecordingMessageBoxes.h"
#include "TempDir.h"
#include "Text.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
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

bool run(const QString& tool, const QStringList& arguments, QByteArray* output = nullptr)
{
    QProcess process;
    process.start(tool, arguments);
    const bool ran = process.waitForFinished(10000) && process.exitCode() == 0;
    if (output)
        *output = process.readAllStandardOutput();
    return ran;
}

// The window with sway's keyboard focus, as sway's tree describes it.
QJsonObject focusedIn(const QJsonObject& node)
{
    if (node.value(QStringLiteral("focused")).toBool())
        return node;
    for (const char* kind : {"nodes", "floating_nodes"})
        for (const QJsonValue child : node.value(QLatin1String(kind)).toArray())
            if (QJsonObject found = focusedIn(child.toObject()); !found.isEmpty())
                return found;
    return {};
}

QJsonValue focused(const char* key)
{
    QByteArray tree;
    run(QStringLiteral("swaymsg"), {"-r", "-t", "get_tree"}, &tree);
    return focusedIn(QJsonDocument::fromJson(tree).object()).value(QLatin1String(key));
}

bool focusIsOn(const char* title)
{
    return focused("name").toString() == QLatin1String(title);
}

int recordsIn(const std::filesystem::path& folder, Album& album)
{
    RecordingMessageBoxes quiet;
    album.loadAlbum(folder, quiet);
    return album.count;
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
    ASSERT_TRUE(waitFor([] { return focusIsOn("Handfolio Album Creator 2.6"); }, 20s));
    ASSERT_TRUE(run("xdotool", {"mousemove", "640", "1000", "key", "F10", "c"}));
    ASSERT_TRUE(waitFor([] { return focused("fullscreen_mode").toInt() == 1; }, 15s)) << "no frozen desktop";
    ASSERT_TRUE(run("xdotool", {"mousemove", "100", "100", "mousedown", "1", "mousemove", "300", "250", "mousemove",
                                "500", "400", "mouseup", "1"}));
    ASSERT_TRUE(waitFor([] { return focusIsOn("Handfolio Picture Editor"); }, 15s));
    ASSERT_TRUE(run("xdotool", {"key", "Return"}));
    ASSERT_TRUE(waitFor([] { return focusIsOn("Picture Name"); }, 10s));
    ASSERT_TRUE(run("xdotool", {"key", "Return"}));

    const auto album = std::make_unique<Album>();
    EXPECT_TRUE(waitFor([&] { return recordsIn(folder, *album) == 1; }, 10s));
    EXPECT_EQ(fieldText(album->records[0].pictureName), "New Picture");
    EXPECT_EQ(recordPath(album->records[0]).parent_path(), folder);
    const LBitmap picture = loadBitmap(recordPath(album->records[0]));
    EXPECT_EQ(picture.GetWidth(), 160);
    EXPECT_EQ(picture.GetHeight(), 160);
}  // The program is killed with its QProcess.

}  // namespace
