#pragma once

#include "CropFrame.h"

#include <QImage>
#include <QWidget>

namespace hf {

// The editor's source view with the crop frame over it. The editor puts it
// where its source view would be, gives it the reduced photo, the frame's
// bounds and the first frame, and renders whenever dragFinished arrives.
// While the button is held only the outline is repainted.
class CropFrameWidget : public QWidget {
    Q_OBJECT
public:
    explicit CropFrameWidget(QWidget* parent = nullptr);

    // The source-view image, drawn at the top-left corner; what it does not
    // cover stays black.
    void setBackground(const QImage& image);
    void setBounds(Rect bounds);
    void setFrame(Rect frame);
    Rect frame() const { return crop_.frame(); }
    const CropFrame& cropFrame() const { return crop_; }

    QSize sizeHint() const override { return {240, 240}; }

signals:
    // A drag of the frame or a corner ended (also a press and release
    // without movement), or a key moved or resized it; frame is where it
    // was left.
    void dragFinished(hf::Rect frame);
    // The view took or lost the keyboard, which its surroundings show.
    void focusChanged(bool focused);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    // Arrows move the frame one view pixel, Shift ten; with Ctrl they
    // resize it by its bottom-right corner.
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void repaintArea(const CropFrame::Area& area);
    void compose();

    CropFrame crop_;
    QImage background_;
    // Each paint is composed here first and reaches the screen in one copy,
    // so the moving outline never shows half drawn.
    QImage backBuffer_;
};

}  // namespace hf
