#pragma once

#include "ScanDevices.h"

#include <QDialog>

#include <vector>

class QListWidget;

namespace hf {

// The source selection shown before every scan: the devices as "vendor
// model", the device name in each tooltip, one preselected.
class CScanSourceDlg final : public QDialog {
    Q_OBJECT
public:
    CScanSourceDlg(const std::vector<ScanDevice>& devices, int preselected, QWidget* parent);

    // The row the user chose with Select (or a double click); -1 when the
    // dialog was closed without a choice.
    int chosen() const { return chosen_; }

private:
    void choose();

    QListWidget* list_;
    int chosen_ = -1;
};

}  // namespace hf
