#include "AppTestSupport.h"
#include "ImageIO.h"
#include "InstructionPanel.h"
#include "ModalHelper.h"
#include "PictureEditorDlg.h"
#include "ScreenCaptureCommand.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QMenu>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <optional>
#include <ostream>

using namespace hf;
using namespace hf::test;

namespace {

constexpr int kTextFlags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap;
const QString kInstruction =
    QStringLiteral("Hold down the left mouse button and drag the mouse to select an area of the screen to copy.");

// A colour of its own for every pixel of a 1280 x 1024 desktop.
QRgb patternAt(int x, int y, int salt = 0)
{
    return qRgb(x & 255, y & 255, ((x >> 8) * 8 + (y >> 8) + salt) & 255);
}

QImage patternImage(QSize size, int salt)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, patternAt(x, y, salt));
    return image;
}

// The whole screen painted with the pattern, under the Album window.
class PatternBackdrop final : public QWidget {
public:
    PatternBackdrop() : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint)
    {
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        picture_ = patternImage(screen.size(), 0);
        setGeometry(screen);
    }

protected:
    void paintEvent(QPaintEvent*) override { QPainter(this).drawImage(0, 0, picture_); }

private:
    QImage picture_;
};

// The panel as it must look in a client area of this size and font.
QImage expectedPanel(QSize size, const QFont& font, int* textTop)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(0, 128, 0));
    QPainter painter(&image);
    painter.setPen(Qt::black);
    painter.drawRect(0, 0, size.width() - 1, size.height() - 1);
    painter.setFont(font);
    const QRect measure(10, 0, size.width() - 20, 10);
    const int h = painter.fontMetrics().boundingRect(measure, kTextFlags, kInstruction).height();
    *textTop = (size.height() - h) / 2;
    painter.setClipRect(image.rect());
    painter.drawText(QRect(10, *textTop, size.width() - 20, h), kTextFlags, kInstruction);
    return image;
}

// Runs xdotool against the suite's X server.
void xdotool(const QStringList& arguments)
{
    QProcess tool;
    tool.start(QStringLiteral("xdotool"), arguments);
    ASSERT_TRUE(tool.waitForFinished(10000)) << arguments.join(' ').toStdString();
    ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
}

QStringList drag(QPoint from, QPoint to)
{
    return {"mousemove",
            QString::number(from.x()),
            QString::number(from.y()),
            "mousedown",
            "1",
            "mousemove",
            QString::number((from.x() + to.x()) / 2),
            QString::number((from.y() + to.y()) / 2),
            "mousemove",
            QString::number(to.x()),
            QString::number(to.y()),
            "mouseup",
            "1"};
}

// A screenshot portal on a private session bus that answers every request
// on the request's predicted path, before it even replies to the call.
class FakePortal final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Screenshot")
public:
    explicit FakePortal(QDBusConnection bus) : bus_(std::move(bus)) {}
    uint code = 0;
    QString uri;
    QVariantMap options;

public slots:
    QDBusObjectPath Screenshot(const QString&, const QVariantMap& given, const QDBusMessage& message)
    {
        options = given;
        QString sender = message.service().mid(1);
        sender.replace('.', '_');
        const QString path =
            "/org/freedesktop/portal/desktop/request/" + sender + "/" + given.value("handle_token").toString();
        QDBusMessage response = QDBusMessage::createSignal(path, "org.freedesktop.portal.Request", "Response");
        response << code << QVariantMap{{"uri", uri}};
        bus_.send(response);
        return QDBusObjectPath(path);
    }

private:
    QDBusConnection bus_;
};

class PrivateBus {
public:
    PrivateBus()
    {
        daemon_.start("dbus-daemon", {"--session", "--nofork", "--print-address=1"});
        if (daemon_.waitForReadyRead(10000))
            address_ = QString::fromLatin1(daemon_.readLine()).trimmed();
    }
    ~PrivateBus()
    {
        for (const QString& name : names_)
            QDBusConnection::disconnectFromBus(name);
        daemon_.terminate();
        daemon_.waitForFinished(5000);
    }
    QDBusConnection connect(const QString& name)
    {
        names_ << name + "@" + address_;
        return QDBusConnection::connectToBus(address_, names_.back());
    }

    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;
    PrivateBus(PrivateBus&&) = delete;
    PrivateBus& operator=(PrivateBus&&) = delete;

private:
    QStringList names_;
    QProcess daemon_;
    QString address_;
};

// Waits until the capture overlay is on screen (and, when asked, holds the
// pointer), then runs the step once. Stops polling when it goes.
class OverlayDriver {
public:
    explicit OverlayDriver(std::function<void(QWidget*)> step, bool grabs = true)
    {
        auto poll = std::make_shared<std::function<void()>>();
        std::weak_ptr<std::function<void()>> weak = poll;
        *poll = [alive = alive_, ran = ran_, step = std::move(step), grabs, weak, tries = 0]() mutable {
            if (!*alive)
                return;
            for (QWidget* top : QApplication::topLevelWidgets()) {
                if (top->objectName() == "captureOverlay" && top->isVisible() && top->windowHandle() &&
                    top->windowHandle()->isExposed() && (!grabs || QWidget::mouseGrabber() == top)) {
                    *ran = true;
                    step(top);
                    return;
                }
            }
            if (auto again = weak.lock(); again && ++tries < 500)
                QTimer::singleShot(20, [again] { (*again)(); });
        };
        keep_ = poll;
        QTimer::singleShot(0, [poll] { (*poll)(); });
    }
    ~OverlayDriver() { *alive_ = false; }
    bool ran() const { return *ran_; }

    OverlayDriver(const OverlayDriver&) = delete;
    OverlayDriver& operator=(const OverlayDriver&) = delete;
    OverlayDriver(OverlayDriver&&) = delete;
    OverlayDriver& operator=(OverlayDriver&&) = delete;

private:
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    std::shared_ptr<bool> ran_ = std::make_shared<bool>(false);
    std::shared_ptr<std::function<void()>> keep_;
};

class ScreenCapture : public ::testing::Test, public WindowFixture {
protected:
    void SetUp() override
    {
        backdrop.show();
        open();
        command = new ScreenCaptureCommand(window->sourceHost());
        window->show();
        window->move(20, 20);
        window->raise();
        ASSERT_TRUE(
            waitUntil([&] { return window->windowHandle()->isExposed() && backdrop.windowHandle()->isExposed(); }));
        ASSERT_TRUE(waitForPaint(*window) && waitForPaint(backdrop));
        pane = child<QLabel>("1006");
    }
    // Opens the editor's run to the test: notes its source picture and
    // name, then saves (with the proposed name) or cancels.
    void watchEditor(bool save)
    {
        editor = std::make_unique<ModalHandler>(
            [this, save](QWidget* w) {
                auto* dialog = qobject_cast<CPictureEditorDlg*>(w);
                ASSERT_NE(dialog, nullptr);
                const QWidget* panel = pane->findChild<QWidget*>("instructionPanel");
                panelWithEditor = panel && panel->isVisible();
                edited = toQImage(dialog->sourcePicture()).convertToFormat(QImage::Format_RGB32);
                proposedName = dialog->pictureName();
                if (save) {
                    clickButton(w, "&Save");
                    return;
                }
                // The editor asks before it discards; that question is its own.
                boxes.recorded.setDefaultAnswer(MsgAnswer::Yes);
                clickButton(w, "Cancel");
                ASSERT_EQ(boxes.recorded.shown().size(), 1u);
                EXPECT_EQ(boxes.recorded.shown()[0].caption, "Cancel");
                boxes.recorded.clear();
            },
            30000, "129");
        if (save)
            name = std::make_unique<ModalHandler>([](QWidget* w) { clickButton(w, "OK"); }, 30000, "131");
    }
    // The pane's client area as the screen shows it while the overlay is
    // up: the frozen desktop, which must already hold the panel.
    void expectPanelOnScreen(const QFont& font, std::optional<bool> negativeTop = {})
    {
        const QRect client = pane->contentsRect();
        const QPoint at = pane->mapToGlobal(client.topLeft());
        const QImage shown = QGuiApplication::primaryScreen()
                                 ->grabWindow(0, at.x(), at.y(), client.width(), client.height())
                                 .toImage()
                                 .convertToFormat(QImage::Format_RGB32);
        int top = 0;
        const QImage expected = expectedPanel(client.size(), font, &top);
        if (negativeTop) {
            ASSERT_EQ(top < 0, *negativeTop);
        }
        int wrong = 0;
        for (int y = 0; y < expected.height(); ++y)
            for (int x = 0; x < expected.width(); ++x)
                wrong += shown.pixel(x, y) != expected.pixel(x, y);
        EXPECT_EQ(wrong, 0) << "pixels that differ from the panel, text top " << top;
        panelChecked = true;
    }

    PatternBackdrop backdrop;
    ScreenCaptureCommand* command = nullptr;
    QLabel* pane = nullptr;
    std::unique_ptr<ModalHandler> editor, name;
    QImage edited;
    std::string proposedName;
    bool panelChecked = false;
    bool panelWithEditor = false;
};

struct DragCase {
    const char* name;
    QPoint from;
    QPoint to;
    bool save;
    friend void PrintTo(const DragCase& c, std::ostream* os) { *os << c.name; }
};

class DragSelection : public ScreenCapture, public ::testing::WithParamInterface<DragCase> {};

TEST_P(DragSelection, GivesTheEditorExactlyTheDraggedPixels)
{
    const DragCase& c = GetParam();
    // |dx| x |dy| pixels from the upper left of the two corners.
    const QRect dragged(std::min(c.from.x(), c.to.x()), std::min(c.from.y(), c.to.y()), std::abs(c.to.x() - c.from.x()),
                        std::abs(c.to.y() - c.from.y()));
    ASSERT_FALSE(window->frameGeometry().intersects(dragged)) << "the drag must be over the backdrop";
    QFont font("DejaVu Sans");
    font.setPixelSize(12);
    pane->setFont(font);
    watchEditor(c.save);
    const OverlayDriver driver([&](QWidget*) {
        EXPECT_TRUE(window->isVisible()) << "the Album window stays on the desktop";
        expectPanelOnScreen(font, false);
        xdotool(drag(c.from, c.to));
    });
    command->captureFromScreen();

    ASSERT_TRUE(panelChecked);
    ASSERT_TRUE(editor->handled());
    EXPECT_EQ(proposedName, "New Picture");
    EXPECT_TRUE(panelWithEditor) << "the panel stays until the command ends";
    EXPECT_EQ(edited, patternImage(QGuiApplication::primaryScreen()->geometry().size(), 0).copy(dragged));
    ASSERT_EQ(window->album().count, c.save ? 1 : 0);
    if (c.save) {
        EXPECT_STREQ(window->album().records[0].pictureName, "New Picture");
    }
    EXPECT_TRUE(boxes.recorded.shown().empty());
    EXPECT_EQ(pane->findChild<QWidget*>("instructionPanel"), nullptr) << "the panel goes with the command";
}

INSTANTIATE_TEST_SUITE_P(Directions, DragSelection,
                         ::testing::Values(DragCase{"DownRightSaved", {700, 600}, {1000, 810}, true},
                                           DragCase{"UpLeftCancelled", {1201, 1003}, {980, 700}, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// A pixel size at which the instruction needs more lines than the pane
// holds and H - h is odd, so that rounding toward zero shows.
QFont overflowingFont(QSize client)
{
    QFont font("DejaVu Sans");
    for (int size = 30; size < 90; ++size) {
        font.setPixelSize(size);
        const int h =
            QFontMetrics(font).boundingRect(QRect(10, 0, client.width() - 20, 10), kTextFlags, kInstruction).height();
        if (client.height() - h < 0 && (client.height() - h) % 2 != 0)
            return font;
    }
    return font;
}

struct AbandonCase {
    const char* name;
    QStringList keysOrButtons;
    bool overflowingText;
    friend void PrintTo(const AbandonCase& c, std::ostream* os) { *os << c.name; }
};

class Abandoning : public ScreenCapture, public ::testing::WithParamInterface<AbandonCase> {};

TEST_P(Abandoning, OpensNoEditorShowsNoMessageAndAddsNothing)
{
    const AbandonCase& c = GetParam();
    QFont font("DejaVu Sans");
    font.setPixelSize(12);
    if (c.overflowingText)
        font = overflowingFont(pane->contentsRect().size());
    pane->setFont(font);
    watchEditor(false);
    const OverlayDriver driver([&](QWidget*) {
        expectPanelOnScreen(font, c.overflowingText);
        xdotool(c.keysOrButtons);
    });
    command->captureFromScreen();

    ASSERT_TRUE(panelChecked);
    EXPECT_FALSE(editor->handled());
    EXPECT_TRUE(boxes.recorded.shown().empty());
    EXPECT_EQ(window->album().count, 0);
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Ways, Abandoning,
                         ::testing::Values(AbandonCase{"Escape",
                                                       {"mousemove", "700", "600", "mousedown", "1", "mousemove", "900",
                                                        "800", "key", "Escape", "mouseup", "1"},
                                                       false},
                                           AbandonCase{"RightButton", {"mousemove", "700", "600", "click", "3"}, true},
                                           AbandonCase{
                                               "ClickWithoutDrag", {"mousemove", "700", "600", "click", "1"}, false},
                                           AbandonCase{"RightButtonDuringDrag",
                                                       {"mousemove", "700", "600", "mousedown", "1", "mousemove", "900",
                                                        "800", "click", "3", "mouseup", "1"},
                                                       false}),
                         [](const auto& info) { return std::string(info.param.name); });

enum class PortalAnswer { Picture, Undecodable, Declined, Refused, NoPortal };

struct PortalCase {
    const char* name;
    PortalAnswer answer;
    bool editor;
    bool message;
    friend void PrintTo(const PortalCase& c, std::ostream* os) { *os << c.name; }
};

class PortalCapture : public ScreenCapture, public ::testing::WithParamInterface<PortalCase> {};

TEST_P(PortalCapture, FreezesThePortalsPictureOrEndsAsItAnswers)
{
    const PortalCase& c = GetParam();
    PrivateBus bus;
    QDBusConnection portalSide = bus.connect("fakePortal");
    ASSERT_TRUE(portalSide.isConnected());
    FakePortal portal(portalSide);
    if (c.answer != PortalAnswer::NoPortal) {
        ASSERT_TRUE(
            portalSide.registerObject("/org/freedesktop/portal/desktop", &portal, QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(portalSide.registerService("org.freedesktop.portal.Desktop"));
    }
    const QSize desktop = QGuiApplication::primaryScreen()->geometry().size();
    const QString file = QString::fromStdString((dir / "portal.png").string());
    if (c.answer == PortalAnswer::Undecodable)
        writeFile(dir / "portal.png", "not a picture at all");
    else
        ASSERT_TRUE(patternImage(desktop, 77).save(file, "PNG"));
    portal.uri = QUrl::fromLocalFile(file).toString();
    portal.code = c.answer == PortalAnswer::Declined ? 1 : c.answer == PortalAnswer::Refused ? 2 : 0;
    command->portalBus = bus.connect("client");

    const QRect dragged(QPoint(300, 200), QPoint(459, 319));
    watchEditor(false);
    const OverlayDriver driver(
        [&](QWidget*) { xdotool(drag(dragged.bottomRight() + QPoint(1, 1), dragged.topLeft())); }, false);
    command->captureFromScreen();

    if (c.answer != PortalAnswer::NoPortal) {
        EXPECT_EQ(portal.options.value("interactive"), QVariant(false));
        EXPECT_FALSE(portal.options.value("handle_token").toString().isEmpty());
    }
    EXPECT_EQ(driver.ran(), c.editor);
    EXPECT_EQ(editor->handled(), c.editor);
    if (c.editor) {
        EXPECT_EQ(edited, patternImage(desktop, 77).copy(dragged));
    }
    if (c.message) {
        ASSERT_EQ(boxes.recorded.shown().size(), 1u);
        EXPECT_EQ(boxes.recorded.shown()[0].text, "The screen could not be captured.");
        EXPECT_EQ(boxes.recorded.shown()[0].caption, "Capture Photo");
        EXPECT_EQ(boxes.recorded.shown()[0].style, MsgStyle::Exclamation);
    } else {
        EXPECT_TRUE(boxes.recorded.shown().empty());
    }
    EXPECT_EQ(window->album().count, 0);
}

INSTANTIATE_TEST_SUITE_P(Answers, PortalCapture,
                         ::testing::Values(PortalCase{"Picture", PortalAnswer::Picture, true, false},
                                           PortalCase{"UserDeclined", PortalAnswer::Declined, false, false},
                                           PortalCase{"PortalRefused", PortalAnswer::Refused, false, true},
                                           PortalCase{"PictureDoesNotDecode", PortalAnswer::Undecodable, false, true},
                                           PortalCase{"NoPortal", PortalAnswer::NoPortal, false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// From the File menu by keys: the picture holds the window, painted again, not the menu.
TEST_F(ScreenCapture, TheMenuThatStartedItIsNotInThePicture)
{
    auto* file = qobject_cast<QMenu*>(window->findChild<QAction*>("32774")->parent());
    QTest::keyClick(window.get(), Qt::Key_F, Qt::AltModifier);
    ASSERT_TRUE(waitUntil([&] { return file->isVisible() && file->windowHandle()->isExposed(); }));
    waitUntil([] { return false; }, 200);  // let the menu reach the screen
    const QRect menu = file->geometry();   // over the window
    watchEditor(false);
    const OverlayDriver driver([&](QWidget*) { xdotool(drag(menu.topLeft(), menu.bottomRight() + QPoint(1, 1))); });
    QTest::keyClick(file, Qt::Key_C);
    ASSERT_TRUE(editor->handled());
    const QImage beneath = window->grab(QRect(window->mapFromGlobal(menu.topLeft()), menu.size())).toImage();
    EXPECT_EQ(edited, beneath.convertToFormat(QImage::Format_RGB32));
}

TEST_F(ScreenCapture, FullAlbumIsRefusedBeforeThePanelOrTheCapture)
{
    window->album().count = 1000;
    const OverlayDriver driver([](QWidget* w) { w->close(); }, false);
    command->captureFromScreen();
    EXPECT_FALSE(driver.ran());
    ASSERT_EQ(boxes.recorded.shown().size(), 1u);
    EXPECT_EQ(boxes.recorded.shown()[0].text, kAlbumFullMessage);
    EXPECT_EQ(pane->findChild<QWidget*>("instructionPanel"), nullptr);
}

}  // namespace

#include "ScreenCaptureTest.moc"
