#include "CropFrameWidget.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace hf {

namespace {

QRect toQRect(const Rect& r)
{
    return QRect(r.left, r.top, r.width(), r.height());
}

// Inverts the one-pixel outline of r (right and bottom exclusive) in image,
// so it stays visible over light and dark parts of the picture alike. Each
// pixel is inverted once, even where the sides meet or coincide.
void invertOutline(QImage& image, const Rect& r)
{
    if (r.width() <= 0 || r.height() <= 0)
        return;
    const int width = image.width();
    const int height = image.height();
    const auto invert = [&](int x, int y) {
        if (x < 0 || y < 0 || x >= width || y >= height)
            return;
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        line[x] = (line[x] ^ 0x00ffffffu) | 0xff000000u;
    };
    const int right = r.right - 1;
    const int bottom = r.bottom - 1;
    for (int x = std::max(r.left, -1); x <= std::min(right, width); ++x) {
        invert(x, r.top);
        if (bottom != r.top)
            invert(x, bottom);
    }
    for (int y = std::max(r.top + 1, -1); y <= std::min(bottom - 1, height); ++y) {
        invert(r.left, y);
        if (right != r.left)
            invert(right, y);
    }
}

// The pixel under the pointer, also where positions come in fractions.
QPoint pixelAt(const QMouseEvent* event)
{
    const QPointF p = event->position();
    return QPoint(static_cast<int>(std::floor(p.x())), static_cast<int>(std::floor(p.y())));
}

Qt::CursorShape cursorShape(CropFrame::Cursor cursor)
{
    switch (cursor) {
    case CropFrame::Cursor::SizeNWSE:
        return Qt::SizeFDiagCursor;
    case CropFrame::Cursor::SizeNESW:
        return Qt::SizeBDiagCursor;
    case CropFrame::Cursor::SizeAll:
        return Qt::SizeAllCursor;
    case CropFrame::Cursor::Arrow:
        break;
    }
    return Qt::ArrowCursor;
}

}  // namespace

CropFrameWidget::CropFrameWidget(QWidget* parent) : QWidget(parent)
{
    // Every pixel is painted from the back buffer; letting Qt erase first
    // would only make the outline flicker.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
}

void CropFrameWidget::setBackground(const QImage& image)
{
    background_ = image;
    update();
}

void CropFrameWidget::setBounds(Rect bounds)
{
    crop_.setBounds(bounds);
}

void CropFrameWidget::setFrame(Rect frame)
{
    const CropFrame::Area before = crop_.area();
    crop_.setFrame(frame);
    repaintArea(before);
    repaintArea(crop_.area());
}

void CropFrameWidget::repaintArea(const CropFrame::Area& area)
{
    for (const Rect& r : area)
        update(toQRect(r));
}

void CropFrameWidget::compose()
{
    if (backBuffer_.size() != size())
        backBuffer_ = QImage(size(), QImage::Format_RGB32);
    backBuffer_.fill(Qt::black);
    if (!background_.isNull())
        QPainter(&backBuffer_).drawImage(QPoint(0, 0), background_);
    invertOutline(backBuffer_, crop_.frame());
    QPainter painter(&backBuffer_);
    // Top-left, top-right, bottom-left, bottom-right: where the handles of
    // a small frame overlap, the later one is on top.
    for (const Rect& handle : crop_.handles()) {
        const QRect r = toQRect(handle);
        painter.fillRect(r, Qt::black);
        painter.fillRect(r.adjusted(1, 1, -1, -1), Qt::white);
    }
}

void CropFrameWidget::paintEvent(QPaintEvent* event)
{
    compose();
    QPainter painter(this);
    painter.setClipRegion(event->region());
    painter.drawImage(QPoint(0, 0), backBuffer_);
}

void CropFrameWidget::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint p = pixelAt(event);
    if (crop_.press(p.x(), p.y()))
        grabMouse();
}

void CropFrameWidget::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = pixelAt(event);
    if (crop_.dragMode() == CropFrame::DragMode::None) {
        setCursor(cursorShape(crop_.hoverCursor(p.x(), p.y())));
        return;
    }
    const Rect oldFrame = crop_.frame();
    const CropFrame::Area before = crop_.area();
    crop_.move(p.x(), p.y(), event->modifiers().testFlag(Qt::ShiftModifier));
    if (crop_.frame() != oldFrame) {
        repaintArea(before);
        repaintArea(crop_.area());
    }
}

void CropFrameWidget::hideEvent(QHideEvent* event)
{
    // A view that goes away in the middle of a drag (its dialog closing)
    // gives the mouse back; nothing is rendered for it.
    if (crop_.release())
        releaseMouse();
    QWidget::hideEvent(event);
}

void CropFrameWidget::keyPressEvent(QKeyEvent* event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const int step = modifiers.testFlag(Qt::ShiftModifier) ? 10 : 1;
    int dx = 0;
    int dy = 0;
    switch (event->key()) {
    case Qt::Key_Left:
        dx = -step;
        break;
    case Qt::Key_Right:
        dx = step;
        break;
    case Qt::Key_Up:
        dy = -step;
        break;
    case Qt::Key_Down:
        dy = step;
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    if ((modifiers & ~(Qt::ShiftModifier | Qt::ControlModifier)) != Qt::NoModifier) {
        QWidget::keyPressEvent(event);
        return;
    }
    const CropFrame::Area before = crop_.area();
    // Each step renders at once, as the end of a drag does.
    if (crop_.step(dx, dy, modifiers.testFlag(Qt::ControlModifier))) {
        repaintArea(before);
        repaintArea(crop_.area());
        emit dragFinished(crop_.frame());
    }
}

void CropFrameWidget::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    emit focusChanged(true);
}

void CropFrameWidget::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    emit focusChanged(false);
}

void CropFrameWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (crop_.release()) {
        releaseMouse();
        emit dragFinished(crop_.frame());
    }
}

}  // namespace hf
