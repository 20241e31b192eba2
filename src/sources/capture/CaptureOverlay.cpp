#include "CaptureOverlay.h"

#include "AreaSelection.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <cmath>
#include <functional>
#include <memory>
#include <vector>

namespace hf {
namespace {

// One window showing part of the frozen desktop; every window of a
// selection feeds the same AreaSelection.
class OverlayWindow final : public QWidget {
public:
    OverlayWindow(const DesktopPicture& desktop, const QRect& area, AreaSelection& selection,
                  std::function<void()> changed)
        : desktop_(desktop), selection_(selection), changed_(std::move(changed))
    {
        setObjectName(QStringLiteral("captureOverlay"));
        setAttribute(Qt::WA_OpaquePaintEvent);
        setCursor(Qt::CrossCursor);
        setWindowModality(Qt::ApplicationModal);
        const QPoint offset = area.topLeft() - desktop.virtualGeometry.topLeft();
        origin_ = QPoint(int(std::lround(offset.x() * desktop.ratio)), int(std::lround(offset.y() * desktop.ratio)));
        source_ = QRect(origin_, QSize(int(std::lround(area.width() * desktop.ratio)),
                                       int(std::lround(area.height() * desktop.ratio))));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.drawImage(rect(), desktop_.image, source_);
        if (selection_.state() != AreaSelection::State::Dragging)
            return;
        const Rect band = selection_.band();
        const QRectF local(QPointF(band.left - origin_.x(), band.top - origin_.y()) / desktop_.ratio,
                           QSizeF(band.width(), band.height()) / desktop_.ratio);
        // Shade what lies outside the rectangle, so that the choice stands out.
        const QRect inside = local.toAlignedRect();
        for (const QRect& part : QRegion(rect()).subtracted(QRegion(inside)))
            painter.fillRect(part, QColor(0, 0, 0, 80));
        painter.setPen(QPen(Qt::white, 0));
        painter.drawRect(local);
        painter.setPen(QPen(Qt::black, 0, Qt::DashLine));
        painter.drawRect(local);
    }
    void mousePressEvent(QMouseEvent* event) override
    {
        const QPoint at = device(event);
        selection_.press(button(event), at.x(), at.y());
        changed_();
    }
    void mouseMoveEvent(QMouseEvent* event) override
    {
        const QPoint at = device(event);
        selection_.move(at.x(), at.y());
        changed_();
    }
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        const QPoint at = device(event);
        selection_.release(button(event), at.x(), at.y());
        changed_();
    }
    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->key() == Qt::Key_Escape) {
            selection_.escape();
            changed_();
        }
    }
    void closeEvent(QCloseEvent*) override
    {
        selection_.abandon();
        changed_();
    }

private:
    static AreaSelection::Button button(const QMouseEvent* event)
    {
        return event->button() == Qt::LeftButton ? AreaSelection::Button::Left : AreaSelection::Button::Other;
    }
    QPoint device(const QMouseEvent* event) const
    {
        const QPointF local = event->position() * desktop_.ratio;
        return origin_ + QPoint(int(std::lround(local.x())), int(std::lround(local.y())));
    }

    const DesktopPicture& desktop_;
    AreaSelection& selection_;
    std::function<void()> changed_;
    QPoint origin_;
    QRect source_;
};

// Waits, bounded, until the window system shows the window, so that the
// grabs of keyboard and pointer find it on screen.
void waitUntilExposed(QWidget& window)
{
    for (int i = 0; i < 200; ++i) {
        if (window.windowHandle() && window.windowHandle()->isExposed())
            return;
        QEventLoop wait;
        QTimer::singleShot(10, &wait, &QEventLoop::quit);
        wait.exec(QEventLoop::ExcludeUserInputEvents);
    }
}

}  // namespace

std::optional<QRect> selectArea(const DesktopPicture& desktop, OverlayLayout layout)
{
    if (desktop.isNull())
        return std::nullopt;
    AreaSelection selection;
    QEventLoop loop;
    std::vector<std::unique_ptr<OverlayWindow>> windows;
    auto changed = [&] {
        for (auto& window : windows)
            window->update();
        if (selection.finished())
            loop.quit();
    };

    if (layout == OverlayLayout::OneOverAll) {
        auto window = std::make_unique<OverlayWindow>(desktop, desktop.virtualGeometry, selection, changed);
        // Above everything and outside the window manager's care, so that
        // it covers panels and docks as well.
        window->setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                               Qt::X11BypassWindowManagerHint);
        window->setGeometry(desktop.virtualGeometry);
        window->show();
        windows.push_back(std::move(window));
    } else {
        for (QScreen* screen : QGuiApplication::screens()) {
            auto window = std::make_unique<OverlayWindow>(desktop, screen->geometry(), selection, changed);
            window->setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
            window->winId();
            window->windowHandle()->setScreen(screen);
            window->setGeometry(screen->geometry());
            window->showFullScreen();
            windows.push_back(std::move(window));
        }
    }
    for (auto& window : windows)
        waitUntilExposed(*window);
    OverlayWindow& first = *windows.front();
    first.raise();
    first.activateWindow();
    first.setFocus();
    if (layout == OverlayLayout::OneOverAll) {
        first.grabKeyboard();
        first.grabMouse();
    }
    if (!selection.finished())
        loop.exec();
    if (layout == OverlayLayout::OneOverAll) {
        first.releaseMouse();
        first.releaseKeyboard();
    }
    windows.clear();

    if (selection.state() != AreaSelection::State::Selected)
        return std::nullopt;
    const Rect chosen = selection.selected();
    const QRect area = QRect(chosen.left, chosen.top, chosen.width(), chosen.height()) & desktop.image.rect();
    if (area.isEmpty())
        return std::nullopt;
    return area;
}

}  // namespace hf
