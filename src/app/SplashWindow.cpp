#include "SplashWindow.h"

#include "DialogUnits.h"

#include <QLabel>
#include <QTimer>

namespace hf {

SplashWindow::SplashWindow(QWidget* parent) : QDialog(parent, Qt::SplashScreen | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("132"));
    setFont(DialogUnits::dialogFont());
    const DialogUnits du(font());
    setFixedSize(du.x(399), du.y(249));
    setStyleSheet(QStringLiteral("hf--SplashWindow { background: black; }"));
    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("133"));
    picture->setFrameStyle(QFrame::Box | QFrame::Plain);
    const QPixmap pixmap(QStringLiteral(":/images/splash.png"));
    picture->setPixmap(pixmap);
    picture->setAlignment(Qt::AlignCenter);
    const QSize size = pixmap.isNull() ? QSize(600, 396) : pixmap.size();
    const QSize framed = size + QSize(2 * picture->frameWidth(), 2 * picture->frameWidth());
    picture->setGeometry((width() - framed.width()) / 2, (height() - framed.height()) / 2, framed.width(),
                         framed.height());
    auto* timer = new QTimer(this);
    timer->setObjectName(QStringLiteral("timer1"));
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);
    connect(timer, &QTimer::timeout, this, [this] { done(0); });
    timer->start(kShowMs);
}

}  // namespace hf
