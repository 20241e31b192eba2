#include "ModalHelper.h"

#include <QAbstractButton>
#include <QDialog>
#include <QElapsedTimer>

#include <memory>

namespace hf::test {

ModalHandler::ModalHandler(std::function<void(QWidget*)> action, int timeoutMs, QString objectName)
    : handled_(std::make_shared<bool>(false)), alive_(std::make_shared<bool>(true))
{
    auto timer = std::make_shared<QElapsedTimer>();
    timer->start();
    auto poll = std::make_shared<std::function<void()>>();
    std::weak_ptr<std::function<void()>> weakPoll = poll;
    *poll = [handled = handled_, alive = alive_, action = std::move(action), timeoutMs, timer, weakPoll, keep = poll,
             objectName = std::move(objectName)]() mutable {
        if (!*alive) {
            keep.reset();
            return;
        }
        if (QWidget* modal = QApplication::activeModalWidget();
            modal && modal->isVisible() && (objectName.isEmpty() || modal->objectName() == objectName)) {
            *handled = true;
            action(modal);
            keep.reset();
            return;
        }
        if (timer->elapsed() > timeoutMs) {
            if (QWidget* modal = QApplication::activeModalWidget())
                modal->close();
            keep.reset();
            return;
        }
        if (auto p = weakPoll.lock())
            QTimer::singleShot(10, [p] { (*p)(); });
    };
    poll_ = poll;
    QTimer::singleShot(0, [p = poll] { (*p)(); });
}

ModalHandler::~ModalHandler()
{
    *alive_ = false;
    // The poll holds itself until it has run for the last time; a test that
    // ends first must not leave it behind.
    if (auto poll = poll_.lock())
        *poll = [] {};
}

bool waitUntil(const std::function<bool()>& condition, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

bool waitForPaint(QWidget& widget, int timeoutMs)
{
    struct Watch final : QObject {
        bool painted = false;
        bool eventFilter(QObject*, QEvent* event) override
        {
            painted = painted || event->type() == QEvent::Paint;
            return false;
        }
    } watch;
    widget.installEventFilter(&watch);
    widget.update();
    const bool painted = waitUntil([&] { return watch.painted; }, timeoutMs);
    widget.removeEventFilter(&watch);
    return painted;
}

void clickButton(QWidget* modal, const QString& text)
{
    for (QAbstractButton* b : modal->findChildren<QAbstractButton*>()) {
        QString t = b->text();
        if (t == text || t.remove(QLatin1Char('&')) == QString(text).remove(QLatin1Char('&'))) {
            b->click();
            return;
        }
    }
}

}  // namespace hf::test
