// Draws the screen capture as the user sees it: the frozen desktop with the
// instruction panel in the Album window's preview pane and a rectangle
// being dragged. Run under a display (or Xvfb):
//   handfolio_capture_screenshot <output file>
#include "AlbumWindow.h"
#include "FileHandheldDesktop.h"
#include "RecordingMessageBoxes.h"
#include "ScreenCaptureCommand.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <fstream>

namespace {

void settle()
{
    for (int i = 0; i < 30; ++i) {
        QApplication::processEvents();
        QThread::msleep(10);
    }
}

// The sample photo as the desktop's wallpaper.
class Wallpaper final : public QWidget {
public:
    Wallpaper() : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint)
    {
        setGeometry(QGuiApplication::primaryScreen()->geometry());
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        QSvgRenderer(QStringLiteral(":/help-art/sample-photo.svg")).render(&painter, rect());
    }
};

void mouse(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(at), target->mapToGlobal(QPointF(at)), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: handfolio_capture_screenshot <output file>\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);

    QTemporaryDir temp;
    const std::filesystem::path palm = temp.path().toStdString();
    std::ofstream(palm / "users.ini") << "[Users]\nCount=1\nUser0=Ann\nFolder0=ann\n[Creators]\nWz4k=Handfolio\n";
    std::filesystem::create_directories(palm / "ann" / "Handfolio");

    Wallpaper wallpaper;
    wallpaper.show();
    hf::RecordingMessageBoxes boxes;
    hf::MemoryProfile profile;
    hf::FileHandheldDesktop desktop(palm);
    hf::AlbumWindow window({profile, boxes, desktop, nullptr, [](QWidget*) {}, false});
    auto* command = new hf::ScreenCaptureCommand(window.sourceHost());
    window.initialise();
    window.show();
    window.move(60, 60);
    settle();

    bool saved = false;
    QTimer::singleShot(300, [&] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->objectName() != QLatin1String("captureOverlay") || !top->isVisible())
                continue;
            // A drag in progress from the photo's horizon to its lower right.
            const QPoint from = window.frameGeometry().bottomRight() + QPoint(40, -120);
            mouse(top, QEvent::MouseButtonPress, from, Qt::LeftButton);
            mouse(top, QEvent::MouseMove, from + QPoint(260, 180), Qt::LeftButton);
            settle();
            saved = top->screen()->grabWindow(0).save(out);
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(top, &escape);
        }
    });
    command->captureFromScreen();
    if (!saved) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(out));
        return 1;
    }
    std::printf("%s\n", qPrintable(out));
    return 0;
}
