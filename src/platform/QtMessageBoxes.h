#pragma once

#include "MessageBoxes.h"

class QWidget;

namespace hf {

// Message boxes on screen, owned by the window the program names.
class QtMessageBoxes final : public MessageBoxes {
public:
    explicit QtMessageBoxes(QWidget* owner = nullptr) : owner_(owner) {}
    void setOwner(QWidget* owner) { owner_ = owner; }
    MsgAnswer show(std::string_view text, std::string_view caption, MsgStyle style) override;

private:
    QWidget* owner_;
};

}  // namespace hf
