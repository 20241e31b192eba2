#include "ScanCommand.h"
#include "AppTestSupport.h"
#include "ModalHelper.h"
#include "PictureEditorDlg.h"
#include "SaneTestConfig.h"
#include "ScanHelperSupport.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QListWidget>
#include <QProgressDialog>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <optional>

namespace fs = std::filesystem;
using namespace hf;
using namespace hf::test;

namespace {

using Lines = std::vector<std::string>;

constexpr const char* kNoDevices = "No scanning devices are available";
constexpr const char* kNotAvailable =
    "The scanning device or camera is not currently available.\n\nPlease make sure it is plugged in and on line.";
constexpr const char* kScanError = "There was an error scanning the image.";

enum class Selection { NotShown, ChooseSecond, Close, EndHelperThenChooseSecond };
// What happens once the progress bar has moved.
enum class During { Nothing, Cancel, KillHelper };
enum class Editor { NotShown, Save, Cancel };

struct CommandCase {
    std::string name{};
    Lines lines{};
    bool devices = true;
    bool albumFull = false;
    std::string remembered{};
    Selection selection = Selection::ChooseSecond;
    During during = During::Nothing;
    // A stand-in helper that stops sending mid-scan and ignores SIGTERM.
    bool stuckHelper = false;
    // The device cannot say how many lines come.
    bool busyBar = false;
    Editor editor = Editor::Save;
    // The one message shown, or none.
    std::optional<std::pair<std::string, std::string>> message{};
};

void PrintTo(const CommandCase& c, std::ostream* os)
{
    *os << c.name;
}

void killHelper()
{
    const std::vector<pid_t> helpers = childProcesses();
    ASSERT_EQ(helpers.size(), 1u);
    ::kill(helpers[0], SIGKILL);
}

// Two devices as the test backend lists them, then a scan that stops.
ScanBytes stuckScan()
{
    const ScanFrame frame{ScanFrame::Kind::Gray, true, 100, 100, 100, 8};
    return packet(ScanMessage::Hello, helloPayload()) +
           packet(ScanMessage::Devices,
                  devicesPayload({{"test:0", "Noname", "frontend-tester"}, {"test:1", "Noname", "frontend-tester"}})) +
           packet(ScanMessage::Opened, flagPayload(true)) + packet(ScanMessage::Frame, framePayload(frame)) +
           packet(ScanMessage::Data, ScanBytes(5000, 128));
}

class ScanCommandRun : public ::testing::TestWithParam<CommandCase>, public WindowFixture {};

TEST_P(ScanCommandRun, EndsTheWayTheDeviceAndTheUserDecide)
{
    const CommandCase& c = GetParam();
    [[maybe_unused]] const SaneTestConfig config =
        c.devices ? SaneTestConfig(c.lines) : SaneTestConfig::withoutDevices();
    open();
    ScanHelperSetup helper = builtScanHelper();
    const TempDir helperDir;
    if (c.stuckHelper) {
        helper = fakeScanHelper(helperDir, stuckScan(), AfterStream::WaitIgnoringTerm);
        helper.reading = helper.terminating = std::chrono::seconds(2);
    }
    new ScanCommand(window->sourceHost(), helper);  // answers the File menu's command
    copyField(window->album().header.lastModel, "Palm III");
    if (c.albumFull)
        window->album().count = kMaxRecords;
    if (!c.remembered.empty())
        profile.setString("Scanner", "Device", c.remembered);

    QString preselected;
    ModalHandler selection(
        [&](QWidget* w) {
            auto* list = w->findChild<QListWidget*>("sources");
            preselected = list->currentItem()->toolTip();
            EXPECT_EQ(list->count(), 2);
            EXPECT_EQ(list->item(0)->text().toStdString(), "Noname frontend-tester (test:0)");
            EXPECT_EQ(list->item(1)->text().toStdString(), "Noname frontend-tester (test:1)");
            if (c.selection == Selection::Close) {
                w->close();
                return;
            }
            if (c.selection == Selection::EndHelperThenChooseSecond)
                killHelper();
            list->setCurrentRow(1);
            clickButton(w, "&Select");
        },
        8000, "scanSource");

    QElapsedTimer cancelTook;
    ModalHandler progress(
        [&](QWidget* w) {
            auto* dialog = static_cast<QProgressDialog*>(w);
            if (c.busyBar) {
                // Long enough for the dialog to have learnt what the device says.
                QTest::qWait(150);
                EXPECT_EQ(dialog->maximum(), 0);
            }
            if (c.during == During::Nothing)
                return;
            // In the middle of the scan, once the bar has moved.
            EXPECT_TRUE(waitUntil([dialog] { return dialog->value() > 0; }));
            EXPECT_GT(dialog->maximum(), dialog->value()) << "the bar counts against the expected size";
            if (c.during == During::KillHelper) {
                killHelper();
                return;
            }
            cancelTook.start();
            clickButton(w, "Cancel");
            if (c.stuckHelper) {
                // The helper outlives its SIGTERM by two seconds, and the
                // window serves events meanwhile.
                bool served = false;
                QTimer::singleShot(0, [&served] { served = true; });
                EXPECT_TRUE(waitUntil([&served] { return served; }));
                EXPECT_EQ(childProcesses().size(), 1u) << "Cancel does not wait for the helper";
                EXPECT_TRUE(waitUntil([] { return childProcesses().empty(); }, 8000));
            }
        },
        8000, "scanProgress");

    LBitmap edited;
    std::size_t helpersWhileEditing = 0;
    ModalHandler editor(
        [&](QWidget* w) {
            auto* dialog = static_cast<CPictureEditorDlg*>(w);
            edited = dialog->sourcePicture();
            helpersWhileEditing = childProcesses().size();
            if (c.editor == Editor::Cancel) {
                boxes.recorded.script({MsgAnswer::Yes});
                clickButton(w, "Cancel");
                return;
            }
            w->findChild<QComboBox*>("1023")->setCurrentText("Palm m505");
            clickButton(w, "&Save");
        },
        8000, "129");
    ModalHandler name([](QWidget* w) { clickButton(w, "OK"); }, 8000, "131");

    command(32773)->trigger();

    if (cancelTook.isValid())
        std::printf("cancel took %.1f ms\n", double(cancelTook.nsecsElapsed()) / 1e6);
    EXPECT_EQ(selection.handled(), c.selection != Selection::NotShown);
    EXPECT_EQ(editor.handled(), c.editor != Editor::NotShown);
    if (c.during != During::Nothing || c.busyBar) {
        EXPECT_TRUE(progress.handled());
    }
    // The editor's own question on Cancel is not the command's message.
    std::vector<RecordingMessageBoxes::Shown> shown;
    for (const auto& box : boxes.recorded.shown())
        if (box.caption != "Cancel")
            shown.push_back(box);
    if (c.message) {
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].text, c.message->first);
        EXPECT_EQ(shown[0].caption, c.message->second);
        EXPECT_EQ(shown[0].style, MsgStyle::Exclamation);
    } else {
        EXPECT_TRUE(shown.empty()) << shown.front().text;
    }
    if (c.selection == Selection::ChooseSecond || c.selection == Selection::EndHelperThenChooseSecond) {
        EXPECT_EQ(profile.getString("Scanner", "Device", ""), "test:1");
    }
    if (c.selection == Selection::Close) {
        EXPECT_EQ(preselected.toStdString(), c.remembered == "test:1" ? "test:1" : "test:0");
    }

    if (c.editor != Editor::NotShown) {
        EXPECT_EQ(helpersWhileEditing, 0u) << "the helper is gone before the editor opens";
        ScanProcess reference(builtScanHelper());
        ASSERT_FALSE(reference.listDevices().empty());
        ASSERT_TRUE(reference.open("test:0"));
        ScanProgress unused;
        EXPECT_EQ(edited, reference.read(unused));
    }
    const bool saved = c.editor == Editor::Save;
    EXPECT_EQ(window->album().count, c.albumFull ? kMaxRecords : saved ? 1 : 0);
    EXPECT_STREQ(window->album().header.lastModel, saved ? "Palm m505" : "Palm III");
    if (saved) {
        EXPECT_EQ(readAlbum("Ann")->count, 1);
        EXPECT_TRUE(fs::exists(folderOf("Ann") / "p0.bmp"));
    }
    // Whatever the end, no helper is left running or unreaped.
    EXPECT_TRUE(childProcesses().empty());
}

const Lines kColour{"mode Color", "test-picture \"Color pattern\""};
const std::pair<std::string, std::string> kError{kScanError, "Scan Image"};

INSTANTIATE_TEST_SUITE_P(
    TestBackend, ScanCommandRun,
    ::testing::Values(CommandCase{.name = "ColourScanIsSavedWithTheChosenModel", .lines = kColour},
                      CommandCase{.name = "ClosedSelectionScansThePreselectedDeviceAndEditorCancelAddsNothing",
                                  .lines = kColour,
                                  .remembered = "test:1",
                                  .selection = Selection::Close,
                                  .editor = Editor::Cancel},
                      CommandCase{.name = "ForgottenDeviceFallsBackToTheFirst",
                                  .lines = {},
                                  .remembered = "gone:3",
                                  .selection = Selection::Close,
                                  .editor = Editor::Cancel},
                      CommandCase{.name = "HandScannerShowsABusyBar",
                                  .lines = {"hand-scanner true", "read-delay true", "read-delay-duration 300000"},
                                  .busyBar = true,
                                  .editor = Editor::Cancel},
                      CommandCase{.name = "JamIsAScanError",
                                  .lines = {"read-status-code \"SANE_STATUS_JAMMED\""},
                                  .editor = Editor::NotShown,
                                  .message = kError},
                      CommandCase{.name = "IoErrorIsAScanError",
                                  .lines = {"read-status-code \"SANE_STATUS_IO_ERROR\""},
                                  .editor = Editor::NotShown,
                                  .message = kError},
                      CommandCase{.name = "CancelDuringASlowScanIsAScanError",
                                  // About seven seconds of scanning when nobody cancels.
                                  .lines = {"read-delay true", "read-delay-duration 100000", "resolution 600"},
                                  .during = During::Cancel,
                                  .editor = Editor::NotShown,
                                  .message = kError},
                      CommandCase{.name = "StuckHelperIsEndedAfterCancel",
                                  .during = During::Cancel,
                                  .stuckHelper = true,
                                  .editor = Editor::NotShown,
                                  .message = kError},
                      CommandCase{.name = "HelperKilledMidScanIsAScanError",
                                  .lines = {"read-delay true", "read-delay-duration 100000", "resolution 600"},
                                  .during = During::KillHelper,
                                  .editor = Editor::NotShown,
                                  .message = kError},
                      CommandCase{.name = "NoDevicesShowsNoSelection",
                                  .devices = false,
                                  .selection = Selection::NotShown,
                                  .editor = Editor::NotShown,
                                  .message = std::make_pair(kNoDevices, "Scan Image")},
                      CommandCase{.name = "HelperGoneAfterTheSelectionIsNotAvailable",
                                  .selection = Selection::EndHelperThenChooseSecond,
                                  .editor = Editor::NotShown,
                                  .message = std::make_pair(kNotAvailable, "Scan Image")},
                      CommandCase{.name = "FullAlbumRefusesBeforeTheDevices",
                                  .albumFull = true,
                                  .selection = Selection::NotShown,
                                  .editor = Editor::NotShown,
                                  .message = std::make_pair(kAlbumFullMessage, "Add Photo")}),
    [](const auto& info) { return info.param.name; });

}  // namespace
