#include "CropFrame.h"

#include <algorithm>
#include <cstdlib>

namespace hf {

CropFrame::CropFrame()
{
    updateHandles();
}

void CropFrame::setFrame(Rect frame)
{
    frame_ = frame;
    updateHandles();
}

void CropFrame::updateHandles()
{
    const auto around = [](std::int32_t x, std::int32_t y) {
        return Rect{x - handleHalf, y - handleHalf, x + handleHalf, y + handleHalf};
    };
    handles_[TopLeftHandle] = around(frame_.left, frame_.top);
    handles_[TopRightHandle] = around(frame_.right, frame_.top);
    handles_[BottomLeftHandle] = around(frame_.left, frame_.bottom);
    handles_[BottomRightHandle] = around(frame_.right, frame_.bottom);
}

CropFrame::Area CropFrame::area() const
{
    return {frame_, handles_[0], handles_[1], handles_[2], handles_[3]};
}

bool CropFrame::press(std::int32_t x, std::int32_t y)
{
    // Handles first, so a corner that lies over the inside still resizes;
    // where the handles of a small frame overlap, the earlier one wins.
    static constexpr DragMode byHandle[] = {DragMode::TopLeft, DragMode::TopRight, DragMode::BottomLeft,
                                            DragMode::BottomRight};
    DragMode hit = DragMode::None;
    for (std::size_t i = 0; i < handles_.size() && hit == DragMode::None; ++i) {
        if (handles_[i].contains(x, y))
            hit = byHandle[i];
    }
    if (hit == DragMode::None && frame_.contains(x, y))
        hit = DragMode::Move;
    if (hit == DragMode::None)
        return false;

    mode_ = hit;
    lastX_ = x;
    lastY_ = y;
    return true;
}

CropFrame::Cursor CropFrame::hoverCursor(std::int32_t x, std::int32_t y) const
{
    // The cursor pairs the handles by diagonal, so for overlapping handles it
    // may name a different corner than a press at the same point would take.
    if (handles_[TopLeftHandle].contains(x, y) || handles_[BottomRightHandle].contains(x, y))
        return Cursor::SizeNWSE;
    if (handles_[TopRightHandle].contains(x, y) || handles_[BottomLeftHandle].contains(x, y))
        return Cursor::SizeNESW;
    if (frame_.contains(x, y))
        return Cursor::SizeAll;
    return Cursor::Arrow;
}

void CropFrame::move(std::int32_t x, std::int32_t y, bool shiftHeld)
{
    if (mode_ == DragMode::None)
        return;
    const std::int32_t dx = x - lastX_;
    const std::int32_t dy = y - lastY_;
    // The last position follows the pointer even when the frame is held by
    // a bound, so turning back moves the frame back at once.
    lastX_ = x;
    lastY_ = y;
    if (mode_ == DragMode::Move)
        moveFrame(dx, dy);
    else
        resizeFrame(dx, dy, shiftHeld);
    updateHandles();
}

bool CropFrame::step(std::int32_t dx, std::int32_t dy, bool resize)
{
    if (mode_ != DragMode::None)
        return false;
    const Rect before = frame_;
    if (resize) {
        mode_ = DragMode::BottomRight;
        resizeFrame(dx, dy, false);
        mode_ = DragMode::None;
    } else {
        moveFrame(dx, dy);
    }
    updateHandles();
    return frame_ != before;
}

bool CropFrame::release()
{
    if (mode_ == DragMode::None)
        return false;
    mode_ = DragMode::None;
    return true;
}

void CropFrame::moveFrame(std::int32_t dx, std::int32_t dy)
{
    frame_.left += dx;
    frame_.right += dx;
    frame_.top += dy;
    frame_.bottom += dy;

    // Shift back inside, one side after the other; the size never changes.
    std::int32_t shiftX = 0;
    std::int32_t shiftY = 0;
    if (frame_.left < bounds_.left)
        shiftX = bounds_.left - frame_.left;
    frame_.left += shiftX;
    frame_.right += shiftX;
    if (frame_.top < bounds_.top)
        shiftY = bounds_.top - frame_.top;
    frame_.top += shiftY;
    frame_.bottom += shiftY;
    if (frame_.right > bounds_.right) {
        const std::int32_t back = frame_.right - bounds_.right;
        frame_.left -= back;
        frame_.right -= back;
    }
    if (frame_.bottom > bounds_.bottom) {
        const std::int32_t back = frame_.bottom - bounds_.bottom;
        frame_.top -= back;
        frame_.bottom -= back;
    }
}

void CropFrame::resizeFrame(std::int32_t dx, std::int32_t dy, bool shiftHeld)
{
    const bool onLeft = mode_ == DragMode::TopLeft || mode_ == DragMode::BottomLeft;
    const bool onTop = mode_ == DragMode::TopLeft || mode_ == DragMode::TopRight;
    // The dragged corner's vertical edge (x) and horizontal edge (y).
    std::int32_t& edgeX = onLeft ? frame_.left : frame_.right;
    std::int32_t& edgeY = onTop ? frame_.top : frame_.bottom;
    const std::int32_t& oppositeX = onLeft ? frame_.right : frame_.left;
    const std::int32_t& oppositeY = onTop ? frame_.bottom : frame_.top;
    // +1 when moving edgeX toward the frame's inside means increasing x.
    const std::int32_t inward = onLeft ? 1 : -1;

    // With Shift, the top-right and bottom-left corners move only along the
    // diagonal on which they grow and shrink, (+1, -1).
    std::int32_t hx = dx;
    std::int32_t vy = dy;
    if (shiftHeld && (mode_ == DragMode::TopRight || mode_ == DragMode::BottomLeft)) {
        if (std::abs(dx) > std::abs(dy)) {
            hx = -dy;
            vy = dy;
        } else {
            hx = dx;
            vy = -dx;
        }
    }
    edgeX += hx;
    edgeY += vy;

    // Each rule runs once, in this order. The horizontal-edge rules hand the
    // overshoot to the vertical edge along the corner's diagonal, and that
    // edge is not checked against its bound again.
    // a: the vertical edge stays within its bound.
    if (onLeft ? edgeX < bounds_.left : edgeX > bounds_.right)
        edgeX = onLeft ? bounds_.left : bounds_.right;
    // b: the horizontal edge is held at its bound; the corner slides inward.
    const std::int32_t pastBound = onTop ? bounds_.top - edgeY : edgeY - bounds_.bottom;
    if (pastBound > 0) {
        edgeY = onTop ? bounds_.top : bounds_.bottom;
        edgeX += inward * pastBound;
    }
    // c: the vertical edge never crosses the opposite one.
    if (onLeft ? edgeX > oppositeX : edgeX < oppositeX)
        edgeX = oppositeX;
    // d: nor does the horizontal edge; the corner slides outward instead.
    const std::int32_t pastOpposite = onTop ? edgeY - oppositeY : oppositeY - edgeY;
    if (pastOpposite > 0) {
        edgeY = oppositeY;
        edgeX -= inward * pastOpposite;
    }

    // Square by the smaller side; the opposite corner stays where it is.
    if (shiftHeld) {
        const std::int32_t side = std::min(frame_.width(), frame_.height());
        if (frame_.width() > frame_.height())
            edgeX = oppositeX - inward * side;
        else
            edgeY = onTop ? oppositeY - side : oppositeY + side;
    }
}

}  // namespace hf
