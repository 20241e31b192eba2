#pragma once

#include "MessageBoxes.h"

#include <deque>
#include <string>
#include <vector>

namespace hf {

// A MessageBoxes that remembers every message and answers Yes/No questions
// from a script. Used by tests and by unattended runs.
class RecordingMessageBoxes final : public MessageBoxes {
public:
    struct Shown {
        std::string text;
        std::string caption;
        MsgStyle style;
    };

    MsgAnswer show(std::string_view text, std::string_view caption, MsgStyle style) override;

    // Answers given to YesNo questions, first in first out; when the script
    // is used up, questions get the default answer.
    void script(std::initializer_list<MsgAnswer> answers);
    void setDefaultAnswer(MsgAnswer answer) { defaultAnswer_ = answer; }

    const std::vector<Shown>& shown() const { return shown_; }
    void clear() { shown_.clear(); }

private:
    std::vector<Shown> shown_;
    std::deque<MsgAnswer> answers_;
    MsgAnswer defaultAnswer_ = MsgAnswer::No;
};

}  // namespace hf
