#pragma once

class QWidget;

namespace hf {

// Brings the screen to what the user should capture before it is frozen:
// closes the menu that started the command (and any other popup of ours),
// has the windowing system take it off and window paint what it uncovered,
// and on a compositing desktop lets the window be drawn on a frame of its
// own, so that neither the menu nor stale pixels end up in the picture.
void letTheScreenSettle(QWidget* window);

}  // namespace hf
