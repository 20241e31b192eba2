#pragma once

#include "MessageBoxes.h"

class QWidget;

class QMessageBox;

namespace hf {

// Message boxes on screen. A box belongs to the dialog the user is working
// in, the innermost modal one, and is centred on it; the named owner (the
// Album window) takes the boxes raised while no dialog runs.
// Gives a box the text, caption, buttons and icon of a message style.
void prepareMessageBox(QMessageBox& box, std::string_view text, std::string_view caption, MsgStyle style);
// The answer of a box prepared so, from its result.
MsgAnswer messageBoxAnswer(int result, MsgStyle style);

class QtMessageBoxes final : public MessageBoxes {
public:
    explicit QtMessageBoxes(QWidget* owner = nullptr) : owner_(owner) {}
    void setOwner(QWidget* owner) { owner_ = owner; }
    MsgAnswer show(std::string_view text, std::string_view caption, MsgStyle style) override;

    // The window a box raised now belongs to.
    QWidget* currentOwner() const;

private:
    QWidget* owner_;
};

}  // namespace hf
