#pragma once

#include "MessageBoxes.h"

class QWidget;

namespace hf {

// Message boxes on screen. A box belongs to the dialog the user is working
// in, the innermost modal one, and is centred on it; the named owner (the
// Album window) takes the boxes raised while no dialog runs.
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
