#pragma once

#include "MessageBoxes.h"

#include <QDialog>

#include <functional>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QWidget;

namespace hf {

// The emblem of the online photo store, 80 x 43, at a dialog's top right.
QLabel* addServiceEmblem(QWidget* dialog, int dialogWidthUnits);

// Sign-in to the photo store: account e-mail and password.
class CLoginDlg final : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMaxTextBytes = 99;

    // serverAddress is shown in the note as the place to set up an account.
    CLoginDlg(const std::string& serverAddress, QWidget* parent = nullptr);

    void setAccount(const std::string& email, const std::string& password);
    // The texts as the user left them, UTF-8.
    std::string email() const;
    std::string password() const;
    // What "Advanced ..." does: the Proxy dialog, run by its owner.
    std::function<void()> openProxyDialog;

private:
    void updateConnect();

    QLineEdit* email_;
    QLineEdit* password_;
    QPushButton* connect_;
};

// The rolls of the account, sorted as the user expects: case-insensitive,
// in the language's order.
class CRollsDlg final : public QDialog {
    Q_OBJECT
public:
    CRollsDlg(const std::vector<std::string>& rollNames, MessageBoxes& boxes, QWidget* parent = nullptr);
    const std::string& chosenRoll() const { return chosen_; }
    void accept() override;

private:
    MessageBoxes& boxes_;
    QListWidget* list_;
    std::string chosen_;
};

}  // namespace hf
