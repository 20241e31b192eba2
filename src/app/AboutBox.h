#pragma once

#include <QDialog>

namespace hf {

class AboutBox final : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(QWidget* parent = nullptr);
};

}  // namespace hf
