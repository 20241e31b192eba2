#pragma once

#include "Rect.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace hf {

// Geometry of the crop frame drawn over the editor's source view: a
// rectangle with four square corner handles that the user moves by its
// inside and resizes by a corner. Everything here is in the view's client
// pixels; the widget feeds mouse positions in and repaints what changed, so
// the rules can be driven and checked step by step without a display.
class CropFrame {
public:
    enum class DragMode : std::int32_t {
        None = 0,
        Move = 1,
        TopLeft = 2,
        TopRight = 3,
        BottomLeft = 4,
        BottomRight = 5,
    };

    enum class Cursor { Arrow, SizeNWSE, SizeNESW, SizeAll };

    // Index into handles(); also the order in which they are painted and in
    // which a press tests them.
    enum Corner : std::size_t { TopLeftHandle = 0, TopRightHandle, BottomLeftHandle, BottomRightHandle };

    static constexpr std::int32_t handleHalf = 5;  // handles are 10 x 10, centred on the corner
    static constexpr Rect initialFrame{10, 10, 50, 50};
    static constexpr Rect initialBounds{0, 0, 999, 999};

    // The frame and its four handles: every pixel the frame's drawing covers
    // lies in one of them, so these are what a change has to repaint.
    using Area = std::array<Rect, 5>;

    CropFrame();

    // The area the frame must stay in (left = min x, top = min y,
    // right = max x, bottom = max y). Neither moves the frame.
    void setBounds(Rect bounds) { bounds_ = bounds; }
    Rect bounds() const { return bounds_; }

    // Places the frame as given, without applying the bounds.
    void setFrame(Rect frame);
    Rect frame() const { return frame_; }

    const std::array<Rect, 4>& handles() const { return handles_; }
    Area area() const;

    DragMode dragMode() const { return mode_; }
    std::int32_t lastX() const { return lastX_; }
    std::int32_t lastY() const { return lastY_; }

    // Left button down: starts a drag when the point hits a handle or the
    // frame's inside, and tells whether it did.
    bool press(std::int32_t x, std::int32_t y);

    // Pointer moved while dragging: moves or resizes the frame. Does nothing
    // between drags (the widget asks hoverCursor() then).
    void move(std::int32_t x, std::int32_t y, bool shiftHeld);

    // Left button up: true when a drag ended, the moment the picture is
    // rendered again from the new frame.
    bool release();

    // The keyboard's step between drags: moves the frame, or resizes it by
    // its bottom-right corner, by (dx, dy) under the same rules as a drag.
    // Answers whether the frame changed; does nothing while dragging.
    bool step(std::int32_t dx, std::int32_t dy, bool resize);

    // The cursor to show for a pointer hovering at (x, y) between drags.
    Cursor hoverCursor(std::int32_t x, std::int32_t y) const;

private:
    void moveFrame(std::int32_t dx, std::int32_t dy);
    void resizeFrame(std::int32_t dx, std::int32_t dy, bool shiftHeld);
    void updateHandles();

    Rect frame_ = initialFrame;
    Rect bounds_ = initialBounds;
    DragMode mode_ = DragMode::None;
    std::array<Rect, 4> handles_{};
    std::int32_t lastX_ = 0;
    std::int32_t lastY_ = 0;
};

}  // namespace hf
