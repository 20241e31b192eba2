#include "AreaSelection.h"

#include <algorithm>

namespace hf {

void AreaSelection::press(Button button, int x, int y)
{
    if (finished())
        return;
    if (button != Button::Left || state_ == State::Dragging) {
        abandon();
        return;
    }
    state_ = State::Dragging;
    anchorX_ = x_ = x;
    anchorY_ = y_ = y;
}

void AreaSelection::move(int x, int y)
{
    if (state_ != State::Dragging)
        return;
    x_ = x;
    y_ = y;
}

void AreaSelection::release(Button button, int x, int y)
{
    if (state_ != State::Dragging)
        return;
    if (button != Button::Left) {
        abandon();
        return;
    }
    move(x, y);
    // A rectangle without width or height holds no picture.
    state_ = (x_ != anchorX_ && y_ != anchorY_) ? State::Selected : State::Abandoned;
}

void AreaSelection::abandon()
{
    if (state_ != State::Selected)
        state_ = State::Abandoned;
}

Rect AreaSelection::band() const
{
    return {std::min(anchorX_, x_), std::min(anchorY_, y_), std::max(anchorX_, x_), std::max(anchorY_, y_)};
}

}  // namespace hf
