#pragma once

#include <QImage>
#include <QLabel>

#include <functional>

namespace hf {

// A label whose picture is made in its screen's own device pixels, so that
// it reaches the screen one to one, never scaled or blended; it is made
// again when the label comes to a screen of another device pixel ratio.
class PixelExactLabel : public QLabel {
public:
    // Makes the picture for a device pixel ratio: the contents' size in
    // device pixels, with that ratio set.
    using Maker = std::function<QImage(qreal ratio)>;

    using QLabel::QLabel;

    void showExact(Maker make);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Maker make_;
};

}  // namespace hf
