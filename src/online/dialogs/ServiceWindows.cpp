#include "ServiceWindows.h"

#include "DialogUnits.h"
#include "QtText.h"
#include "ServiceDialogs.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>

namespace hf {
namespace {

// Turns the close box into Cancel.
class ServiceWindowWidget final : public QWidget {
public:
    ServiceWindowWidget(QWidget* owner, std::function<void()> onClose)
        : QWidget(owner, Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), onClose_(std::move(onClose))
    {
    }

protected:
    void closeEvent(QCloseEvent* event) override
    {
        event->accept();
        if (onClose_)
            onClose_();
    }

private:
    std::function<void()> onClose_;
};

}  // namespace

CServiceWindow::CServiceWindow(QWidget* owner, const char* id, const QString& caption, int widthUnits, int heightUnits)
{
    auto* w = new ServiceWindowWidget(owner, [this] { cancel(); });
    w->setObjectName(QString::fromLatin1(id));
    w->setAttribute(Qt::WA_DeleteOnClose, false);
    w->setWindowTitle(caption);
    w->setFont(DialogUnits::dialogFont());
    const DialogUnits du(w->font());
    w->setFixedSize(du.x(widthUnits), du.y(heightUnits));
    window_ = w;
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), w), &QShortcut::activated, this, &CServiceWindow::cancel);
}

CServiceWindow::~CServiceWindow()
{
    closeWindow();
}

void CServiceWindow::show()
{
    QScreen* screen = window_->screen() ? window_->screen() : QGuiApplication::primaryScreen();
    if (screen) {
        QRect r = window_->frameGeometry();
        r.moveCenter(screen->availableGeometry().center());
        window_->move(r.topLeft());
    }
    window_->show();
}

void CServiceWindow::cancel()
{
    cancel_.store(1);
    closeWindow();
    emit cancelPressed();
}

void CServiceWindow::closeWindow()
{
    if (!window_)
        return;
    QWidget* w = window_;
    window_ = nullptr;
    w->hide();
    // Deleted on the next pass of the event loop: this may run inside one of
    // the window's own handlers.
    w->deleteLater();
}

CConnectingWnd::CConnectingWnd(QWidget* owner, const QString& caption, const QString& status)
    : CServiceWindow(owner, "135", caption, 162, 62)
{
    QWidget* w = window();
    const DialogUnits du(w->font());
    status_ = new QLabel(status, w);
    status_->setObjectName(QStringLiteral("1005"));
    status_->setGeometry(du.rect(7, 9, 95, 10));
    auto* note = new QLabel(QStringLiteral("Press Cancel to quit."), w);
    note->setGeometry(du.rect(7, 24, 95, 8));
    QPushButton* cancel = placeButton(w, du, "2", QStringLiteral("Cancel"), {7, 41, 50, 14});
    connect(cancel, &QPushButton::clicked, w, &QWidget::close);
    addServiceEmblem(w, 162);
    show();
}

void CConnectingWnd::setStatusText(const std::string& text)
{
    QMetaObject::invokeMethod(
        this,
        [this, t = toQString(text)] {
            if (status_)
                status_->setText(t);
        },
        Qt::QueuedConnection);
}

QString CConnectingWnd::statusText() const
{
    return status_ ? status_->text() : QString();
}

CProgressWnd::CProgressWnd(QWidget* owner, const QString& caption) : CServiceWindow(owner, "145", caption, 186, 55)
{
    QWidget* w = window();
    const DialogUnits du(w->font());
    auto* note = new QLabel(QStringLiteral("Press Cancel to quit."), w);
    note->setGeometry(du.rect(7, 7, 120, 8));
    bar_ = new QProgressBar(w);
    bar_->setObjectName(QStringLiteral("1006"));
    bar_->setRange(0, 100);
    bar_->setValue(0);
    bar_->setTextVisible(false);
    bar_->setGeometry(du.rect(7, 19, 172, 11));
    QPushButton* cancel = placeButton(w, du, "2", QStringLiteral("Cancel"), {68, 35, 50, 14});
    connect(cancel, &QPushButton::clicked, w, &QWidget::close);
    show();
}

void CProgressWnd::setPosition(int percent)
{
    QMetaObject::invokeMethod(
        this,
        [this, percent] {
            if (bar_)
                bar_->setValue(percent);
        },
        Qt::QueuedConnection);
}

int CProgressWnd::position() const
{
    return bar_ ? bar_->value() : -1;
}

}  // namespace hf
