#include "RecordingMessageBoxes.h"

namespace hf {

MsgAnswer RecordingMessageBoxes::show(std::string_view text, std::string_view caption, MsgStyle style)
{
    shown_.push_back({std::string(text), std::string(caption), style});
    if (style != MsgStyle::YesNo)
        return MsgAnswer::Ok;
    if (answers_.empty())
        return defaultAnswer_;
    MsgAnswer a = answers_.front();
    answers_.pop_front();
    return a;
}

void RecordingMessageBoxes::script(std::initializer_list<MsgAnswer> answers)
{
    answers_.insert(answers_.end(), answers.begin(), answers.end());
}

}  // namespace hf
