#pragma once

#include <QFont>
#include <QRect>

class QPushButton;
class QString;
class QWidget;

namespace hf {

// Converts dialog-template units to pixels with the base units of the dialog
// font, the way dialog templates are laid out: a horizontal unit is a quarter
// of the font's average character width, a vertical unit an eighth of its
// height. Each value is rounded to the nearest pixel on its own, halves away
// from zero, as Windows maps dialog rectangles.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);
    DialogUnits(int baseX, int baseY) : baseX_(baseX), baseY_(baseY) {}
    int x(int units) const { return scaled(units, baseX_, 4); }
    int y(int units) const { return scaled(units, baseY_, 8); }
    QRect rect(int x, int y, int width, int height) const;
    int baseX() const { return baseX_; }
    int baseY() const { return baseY_; }

    // The font dialogs use: an 8-point sans-serif face.
    static QFont dialogFont();

private:
    static int scaled(int units, int base, int divisor)
    {
        const long long product = static_cast<long long>(units) * base;
        return static_cast<int>((product < 0 ? product - divisor / 2 : product + divisor / 2) / divisor);
    }

    int baseX_;
    int baseY_;
};

// A push button with its control id as object name, placed by dialog units.
QPushButton* placeButton(QWidget* parent, const DialogUnits& du, const char* id, const QString& text, QRect units);

}  // namespace hf
