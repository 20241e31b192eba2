#pragma once

#include "MessageBoxes.h"
#include "ProxySettings.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;

namespace hf {

class Profile;

// The proxy the photo store is reached through. OK stores what was typed in
// the settings and the profile before it checks the port, as the settings
// have always been kept.
class CProxyDlg final : public QDialog {
    Q_OBJECT
public:
    CProxyDlg(ProxySettings& settings, Profile& profile, InternetSettings& windows, MessageBoxes& boxes,
              QWidget* parent = nullptr);
    void accept() override;

private:
    void updateEnabling();
    void resetToWindows();

    ProxySettings& settings_;
    Profile& profile_;
    InternetSettings& windows_;
    MessageBoxes& boxes_;
    QCheckBox* use_;
    QLineEdit* host_;
    QLineEdit* port_;
    QLineEdit* user_;
    QLineEdit* password_;
    QList<QWidget*> dependents_;
};

}  // namespace hf
