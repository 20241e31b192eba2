#include "InstructionPanel.h"

#include <QFontMetrics>
#include <QPainter>

namespace hf {
namespace {

constexpr int kWrapCentred = Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap;

}  // namespace

QRect instructionTextRect(const QRect& client, const QFontMetrics& metrics)
{
    const QRect start(QPoint(client.left() + kInstructionMargin, client.top()),
                      QPoint(client.right() - kInstructionMargin, client.top() + kInstructionMargin - 1));
    const int h = metrics.boundingRect(start, kWrapCentred, QString::fromLatin1(kCaptureInstruction)).height();
    // Integer division rounds toward zero, negative values included.
    const int top = (client.height() - h) / 2;
    return QRect(start.left(), top, start.width(), h);
}

void paintInstructionPanel(QPainter& painter, const QRect& client)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(Qt::black, 0));
    painter.setBrush(kInstructionGreen);
    painter.drawRect(client.adjusted(0, 0, -1, -1));
    painter.setPen(Qt::black);
    painter.setClipRect(client);
    painter.drawText(instructionTextRect(client, painter.fontMetrics()), kWrapCentred,
                     QString::fromLatin1(kCaptureInstruction));
    painter.restore();
}

}  // namespace hf
