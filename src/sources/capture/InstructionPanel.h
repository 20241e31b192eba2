#pragma once

#include <QColor>
#include <QRect>

class QFontMetrics;
class QPainter;

namespace hf {

// The panel that tells the user what to do while the screen capture runs,
// painted into the Album window's preview pane.
inline constexpr const char* kCaptureInstruction =
    "Hold down the left mouse button and drag the mouse to select an area of the screen to copy.";
inline const QColor kInstructionGreen{0, 128, 0};
inline constexpr int kInstructionMargin = 10;

// Where the instruction text goes in a pane with this client rectangle: the
// pane's width less the margins, as high as the wrapped text, centred
// vertically. The top is (H - h) / 2 rounded toward zero, so it is negative
// when the text needs more lines than the pane holds.
QRect instructionTextRect(const QRect& client, const QFontMetrics& metrics);

// Green fill with a one-pixel black outline over the whole client
// rectangle, and the instruction in black, centred and word-wrapped, in the
// painter's font.
void paintInstructionPanel(QPainter& painter, const QRect& client);

}  // namespace hf
