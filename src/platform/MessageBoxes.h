#pragma once

#include <string>
#include <string_view>

namespace hf {

// Button and icon styles of a message box; the values are the ones the
// program's messages are written with.
enum class MsgStyle : int {
    Ok = 0,
    YesNo = 4,
    Exclamation = 48,
};

// What the user answered.
enum class MsgAnswer : int {
    Ok = 1,
    Yes = 6,
    No = 7,
};

// Every message the program shows goes through this seam, so that the logic
// that decides what to say can be tested without a display. Texts are UTF-8.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual MsgAnswer show(std::string_view text, std::string_view caption, MsgStyle style) = 0;
};

}  // namespace hf
