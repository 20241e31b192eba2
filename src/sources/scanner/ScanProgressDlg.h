#pragma once

#include "ScanStream.h"

#include <QProgressDialog>
#include <QTimer>

#include <functional>

namespace hf {

// The scan's progress: bytes read against the bytes expected, or a busy bar
// while the device cannot say how many lines come. Cancel (the button,
// Escape or the close box) ends the scan; the dialog stays until
// whoever runs it hides it, so nothing else can be done meanwhile.
class ScanProgressDlg final : public QProgressDialog {
public:
    ScanProgressDlg(std::function<void()> onCancel, const ScanProgress& progress, QWidget* parent);

    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void update();

    std::function<void()> onCancel_;
    const ScanProgress& progress_;
    QTimer timer_;
    bool cancelled_ = false;
};

}  // namespace hf
