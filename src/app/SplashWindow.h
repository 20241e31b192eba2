#pragma once

#include <QDialog>

namespace hf {

// The picture shown for three seconds while the program starts; Escape
// closes it at once.
class SplashWindow final : public QDialog {
    Q_OBJECT
public:
    static constexpr int kShowMs = 3000;
    explicit SplashWindow(QWidget* parent = nullptr);
};

}  // namespace hf
