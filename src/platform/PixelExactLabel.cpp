#include "PixelExactLabel.h"

namespace hf {

void PixelExactLabel::showExact(Maker make)
{
    make_ = std::move(make);
    setPixmap(QPixmap::fromImage(make_(devicePixelRatioF())));
}

void PixelExactLabel::paintEvent(QPaintEvent* event)
{
    // A picture made for another ratio would be scaled on its way.
    if (make_ && pixmap().devicePixelRatio() != devicePixelRatioF())
        setPixmap(QPixmap::fromImage(make_(devicePixelRatioF())));
    QLabel::paintEvent(event);
}

}  // namespace hf
