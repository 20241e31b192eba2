#pragma once

// What the online service needs from the user-interface thread. The
// library's calls run on a worker; a message box or dialog it needs is
// shown on the user-interface thread, without an owner window so that the
// Album window stays usable, while the worker waits for the answer.

#include "MessageBoxes.h"

#include <functional>

namespace hf {

// Runs work on the user-interface thread and returns once it has run.
// Called from the user-interface thread itself, it runs the work at once.
class UiDispatcher {
public:
    virtual ~UiDispatcher() = default;
    virtual void runAndWait(const std::function<void()>& work) = 0;
};

// Message boxes for worker threads: each box is shown by the wrapped
// user-interface implementation, on its thread.
class UiThreadMessageBoxes final : public MessageBoxes {
public:
    UiThreadMessageBoxes(MessageBoxes& ui, UiDispatcher& dispatcher) : ui_(ui), dispatcher_(dispatcher) {}
    MsgAnswer show(std::string_view text, std::string_view caption, MsgStyle style) override
    {
        MsgAnswer answer = MsgAnswer::Ok;
        dispatcher_.runAndWait([&] { answer = ui_.show(text, caption, style); });
        return answer;
    }

private:
    MessageBoxes& ui_;
    UiDispatcher& dispatcher_;
};

// The Proxy dialog, run modally without a parent. True when it ended with
// OK, by which time it has stored what the user entered in the settings.
class ProxyDialogRunner {
public:
    virtual ~ProxyDialogRunner() = default;
    virtual bool runProxyDialog() = 0;
};

}  // namespace hf
