#include "DialogUnits.h"

#include <QFontMetrics>
#include <QPushButton>

namespace hf {

DialogUnits::DialogUnits(const QFont& font)
{
    const QFontMetrics fm(font);
    const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    baseX_ = (fm.horizontalAdvance(alphabet) / 26 + 1) / 2;
    baseY_ = fm.height();
}

QRect DialogUnits::rect(int ux, int uy, int width, int height) const
{
    return QRect(x(ux), y(uy), x(width), y(height));
}

QPushButton* placeButton(QWidget* parent, const DialogUnits& du, const char* id, const QString& text, QRect units)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(id));
    button->setGeometry(du.rect(units.x(), units.y(), units.width(), units.height()));
    return button;
}

QFont DialogUnits::dialogFont()
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSize(8);
    return font;
}

}  // namespace hf
