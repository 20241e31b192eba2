#pragma once

#include <QSvgRenderer>
#include <QWidget>

namespace hf {

// Bitmap 135, the picture at the top left of the Album window. Drawn from
// its scalable source at the screen's own resolution and fitted whole into
// the control, whatever the dialog font makes of the control's size.
class Emblem final : public QWidget {
public:
    explicit Emblem(QWidget* parent = nullptr);

    // Where the drawing goes: the largest rectangle of the drawing's
    // proportions inside the control, centred.
    QRectF drawingRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QSvgRenderer renderer_;
};

}  // namespace hf
