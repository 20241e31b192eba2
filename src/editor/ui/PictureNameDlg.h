#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;

namespace hf {

// Asks for the name of a new picture: at most 15 characters the handheld
// can show.
class CPictureNameDlg final : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMaxChars = 15;

    explicit CPictureNameDlg(QWidget* parent = nullptr);

    void setTitle(const QString& title) { title_ = title; }
    void setPrompt(const QString& prompt) { prompt_ = prompt; }
    void setName(const QString& name) { name_ = name; }
    const QString& name() const { return name_; }

    int exec() override;
    void accept() override;

private:
    QString title_;
    QString prompt_;
    QString name_;
    QLineEdit* edit_;
    QLabel* promptLabel_;
};

}  // namespace hf
