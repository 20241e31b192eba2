#include "ScanShots.h"

#include "ScanProgressDlg.h"
#include "ScanSourceDlg.h"

#include <QApplication>
#include <QThread>

#include <cstdio>

namespace shots {
namespace {

bool grabInto(QWidget& widget, const QString& file)
{
    widget.show();
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
        QThread::msleep(10);
    }
    const bool saved = widget.grab().save(file);
    std::printf(saved ? "%s\n" : "cannot write %s\n", qPrintable(file));
    widget.hide();
    return saved;
}

}  // namespace

bool scanSourceShot(const QString& file)
{
    const std::vector<hf::ScanDevice> devices = {
        {"genesys:libusb:001:004", "Canon", "LiDE 220"},
        {"pixma:04A91912", "Canon", "PIXMA MG5700"},
        {"airscan:e0:Office printer", "HP", "OfficeJet Pro 9010"},
    };
    hf::CScanSourceDlg dialog(devices, 1, nullptr);
    return grabInto(dialog, file);
}

bool scanProgressShot(const QString& file)
{
    hf::ScanProgress progress;
    progress.expected = 4'461'818;
    progress.bytesRead = 1'843'200;
    hf::ScanProgressDlg dialog([] {}, progress, nullptr);
    return grabInto(dialog, file);
}

}  // namespace shots
