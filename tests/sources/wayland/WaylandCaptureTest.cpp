// The screen capture on a real Wayland desktop: the program under sway, the
// frozen desktop from the screenshot portal, the rectangle dragged with the
// pointer of the X server that sway draws into.
#include "Album.h"
#include "ImageIO.h"
#include "PrivateXServer.h"
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
#include <filesystem>
#include <functional>
#include <memory>

using namespace hf;
using namespace hf::test;

namespace {

// Set in the copy of this test that runs inside the Wayland session.
constexpr const char* kInSession = "HANDFOLIO_TEST_IN_WAYLAND_SESSION";

bool waitFor(const std::function<bool()>& condition, std::chrono::seconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        QThread::msleep(50);
    }
    return true;
}

QByteArray runTool(const QString& tool, const QStringList& arguments)
{
    QProcess process;
    process.start(tool, arguments);
    return process.waitForFinished(10000) && process.exitCode() == 0 ? process.readAllStandardOutput() : QByteArray();
}

// The window that has sway's keyboard focus, as sway's tree describes it.
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

QJsonObject focusedWindow()
{
    return focusedIn(QJsonDocument::fromJson(runTool(QStringLiteral("swaymsg"), {"-r", "-t", "get_tree"})).object());
}

bool focusIsOn(const QString& title)
{
    return focusedWindow().value(QStringLiteral("name")).toString() == title;
}

void xdotool(const QStringList& arguments)
{
    QProcess tool;
    tool.start(QStringLiteral("xdotool"), arguments);
    ASSERT_TRUE(tool.waitForFinished(10000) && tool.exitCode() == 0) << arguments.join(' ').toStdString();
}

std::unique_ptr<Album> albumOf(const std::filesystem::path& programFolder)
{
    auto album = std::make_unique<Album>();
    RecordingMessageBoxes quiet;
    album->loadAlbum(programFolder, quiet);
    return album;
}

// Inside the session: the program on a new album, the command from its
// File menu, a drag, Save and the picture's name, each by the keyboard and
// pointer that sway reads from the X server.
void captureInSession()
{
    const TempDir palm;
    const std::filesystem::path folder = palm / "ann" / "Handfolio";
    std::filesystem::create_directories(folder);
    writeFile(palm / "users.ini", "[Users]\nCount=1\nUser0=Ann\nFolder0=ann\n[Creators]\nWz4k=Handfolio\n");

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HANDFOLIO_PALM_DIR"), QString::fromStdString(palm.path().string()));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString((palm / "config").string()));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
    program.setProcessEnvironment(env);
    program.setProcessChannelMode(QProcess::ForwardedChannels);
    program.start(QStringLiteral(HANDFOLIO_PROGRAM), {});
    ASSERT_TRUE(program.waitForStarted());
    const auto stop = std::unique_ptr<QProcess, void (*)(QProcess*)>(&program, [](QProcess* p) {
        p->kill();
        p->waitForFinished();
    });

    ASSERT_TRUE(
        waitFor([] { return focusIsOn(QStringLiteral("Handfolio Album Creator 2.6")); }, std::chrono::seconds(20)));
    // X gives the keys to the window under the pointer: sway's.
    xdotool({"mousemove", "640", "1000", "key", "F10", "c"});
    ASSERT_TRUE(waitFor([] { return focusedWindow().value(QStringLiteral("fullscreen_mode")).toInt() == 1; },
                        std::chrono::seconds(15)))
        << "the frozen desktop did not cover the screen";
    xdotool({"mousemove", "100", "100", "mousedown", "1", "mousemove", "300", "250", "mousemove", "500", "400",
             "mouseup", "1"});
    ASSERT_TRUE(
        waitFor([] { return focusIsOn(QStringLiteral("Handfolio Picture Editor")); }, std::chrono::seconds(15)));
    xdotool({"key", "Return"});
    ASSERT_TRUE(waitFor([] { return focusIsOn(QStringLiteral("Picture Name")); }, std::chrono::seconds(10)));
    xdotool({"key", "Return"});

    ASSERT_TRUE(waitFor([&] { return albumOf(folder)->count == 1; }, std::chrono::seconds(10)));
    const std::unique_ptr<Album> album = albumOf(folder);
    EXPECT_EQ(fieldText(album->records[0].pictureName), "New Picture");
    const LBitmap picture = loadBitmap(recordPath(album->records[0]));
    EXPECT_EQ(recordPath(album->records[0]).parent_path(), folder);
    EXPECT_EQ(picture.GetWidth(), 160);
    EXPECT_EQ(picture.GetHeight(), 160);
}

TEST(WaylandCapture, DraggedRectangleIsFiledAsANewPhoto)
{
    if (qEnvironmentVariableIsSet(kInSession)) {
        captureInSession();
        return;
    }
    const PrivateXServer x;
    if (x.display().empty())
        GTEST_SKIP() << "Xvfb could not be started";
    QProcess session;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), QString::fromStdString(x.display()));
    env.remove(QStringLiteral("XAUTHORITY"));
    env.insert(QLatin1String(kInSession), QStringLiteral("1"));
    session.setProcessEnvironment(env);
    session.setProcessChannelMode(QProcess::MergedChannels);
    session.start(QStringLiteral(HANDFOLIO_SOURCE_DIR "/scripts/wayland-session.sh"),
                  {QString::fromStdString(std::filesystem::read_symlink("/proc/self/exe").string()),
                   QStringLiteral("--gtest_filter=WaylandCapture.*")});
    const bool ended = session.waitForFinished(120000);
    if (!ended) {
        // The session stops what it started when it is asked to.
        session.terminate();
        session.waitForFinished(30000);
    }
    const std::string output = session.readAll().toStdString();
    ASSERT_TRUE(ended) << output;
    if (session.exitCode() == 77)
        GTEST_SKIP() << output;
    EXPECT_EQ(session.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(session.exitCode(), 0) << output;
}

}  // namespace
