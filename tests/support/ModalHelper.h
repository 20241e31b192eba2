#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

namespace hf::test {

// Runs action on the next modal widget that appears (a dialog or message
// box started by the code under test), or on the next one with the given
// object name. If none appears within timeoutMs the
// watchdog closes whatever is modal and the returned flag stays false, so a
// test fails instead of hanging.
class ModalHandler {
public:
    explicit ModalHandler(std::function<void(QWidget*)> action, int timeoutMs = 5000, QString objectName = {});
    ~ModalHandler();
    ModalHandler(const ModalHandler&) = delete;
    ModalHandler& operator=(const ModalHandler&) = delete;
    ModalHandler(ModalHandler&&) = delete;
    ModalHandler& operator=(ModalHandler&&) = delete;
    bool handled() const { return *handled_; }

private:
    std::shared_ptr<bool> handled_;
    std::shared_ptr<bool> alive_;
    std::weak_ptr<std::function<void()>> poll_;
};

// Processes events until the condition holds or the time is up; returns
// whether it held.
bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 5000);

// Asks the widget to paint itself afresh and processes events until it has;
// returns whether it did in time.
bool waitForPaint(QWidget& widget, int timeoutMs = 5000);

// Accepts / rejects a modal dialog; answers a message box with a button
// whose text matches (for example "&Yes").
void clickButton(QWidget* modal, const QString& text);

}  // namespace hf::test
