#include "ScreenSettle.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace hf {
namespace {

// How long one frame may take before the capture goes ahead without it.
constexpr int kFrameWaitMs = 250;

// Ends a local loop when the window is asked to draw its next frame: on a
// compositor that happens once the previous one has been shown.
class NextFrame final : public QObject {
public:
    explicit NextFrame(QEventLoop& loop) : loop_(loop) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::UpdateRequest)
            loop_.quit();
        return false;
    }

private:
    QEventLoop& loop_;
};

void waitForFrame(QWindow& window)
{
    QEventLoop loop;
    NextFrame watch(loop);
    window.installEventFilter(&watch);
    QTimer::singleShot(kFrameWaitMs, &loop, &QEventLoop::quit);
    window.requestUpdate();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    window.removeEventFilter(&watch);
}

}  // namespace

void letTheScreenSettle(QWidget* window)
{
    while (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
    // The round trip lets the windowing system unmap the menu and tell us
    // what it uncovered; then the window paints it all at once and the
    // second round trip has those pixels on the screen.
    QGuiApplication::sync();
    if (!window || !window->windowHandle())
        return;
    window->repaint();
    QGuiApplication::sync();
    // Two frames: one that takes the window's new pixels, one that shows them.
    for (int frame = 0; frame < 2; ++frame)
        waitForFrame(*window->windowHandle());
}

}  // namespace hf
