#pragma once

// The message the user sees for a service status code.

#include "MessageBoxes.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace hf {

struct StatusText {
    std::string_view text;
    std::string_view caption;
};

// The text and caption for a code; nothing for 0 and 64, which are not
// shown, and "Unknown Error" for every code without a row of its own.
std::optional<StatusText> statusText(std::int32_t code);

// Shows the code's message as an exclamation box and returns when the user
// has closed it. From a worker thread, pass a UiThreadMessageBoxes so the
// box appears on the user-interface thread without an owner.
void showStatusMessage(std::int32_t code, MessageBoxes& boxes);

}  // namespace hf
