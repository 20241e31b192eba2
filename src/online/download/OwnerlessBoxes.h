#pragma once

#include "MessageBoxes.h"

#include <QList>
#include <QPointer>

class QMessageBox;

namespace hf {

// Message boxes with no owner that block nothing: the Album window stays
// usable while one waits for its answer (what the photo store says from a
// worker). show() returns when the box is closed; closeAll() closes every
// box still open, as at the program's end.
class OwnerlessBoxes final : public MessageBoxes {
public:
    MsgAnswer show(std::string_view text, std::string_view caption, MsgStyle style) override;
    void closeAll();

private:
    QList<QPointer<QMessageBox>> open_;
};

}  // namespace hf
