#pragma once

#include "Rect.h"

namespace hf {

// The rules of the interactive area selection, without any window: the
// left button starts a drag, its release ends it; Escape, any other button,
// or a release where the press was (nothing to copy) abandon it. Points are
// device pixels of the frozen desktop picture.
class AreaSelection {
public:
    enum class Button { Left, Other };
    enum class State { Waiting, Dragging, Selected, Abandoned };

    void press(Button button, int x, int y);
    void move(int x, int y);
    void release(Button button, int x, int y);
    void escape() { abandon(); }
    void abandon();

    State state() const { return state_; }
    bool finished() const { return state_ == State::Selected || state_ == State::Abandoned; }
    // The rectangle between the press and the pointer: |dx| x |dy| pixels.
    Rect band() const;
    // The chosen rectangle; meaningful in the Selected state only.
    Rect selected() const { return band(); }

private:
    State state_ = State::Waiting;
    int anchorX_ = 0;
    int anchorY_ = 0;
    int x_ = 0;
    int y_ = 0;
};

}  // namespace hf
