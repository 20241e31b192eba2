#include "Emblem.h"

#include <QPainter>

namespace hf {

Emblem::Emblem(QWidget* parent) : QWidget(parent), renderer_(QStringLiteral(":/images/emblem.svg"))
{
    setObjectName(QStringLiteral("emblem"));
    setAccessibleName(QStringLiteral("Handfolio"));
}

QRectF Emblem::drawingRect() const
{
    const QSizeF fitted = QSizeF(renderer_.defaultSize()).scaled(QSizeF(size()), Qt::KeepAspectRatio);
    return QRectF(QPointF((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
}

void Emblem::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer_.render(&painter, drawingRect());
}

}  // namespace hf
