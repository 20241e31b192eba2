#include "ScanProgressDlg.h"

#include <QCloseEvent>
#include <QPushButton>

#include <algorithm>
#include <climits>

namespace hf {

ScanProgressDlg::ScanProgressDlg(std::function<void()> onCancel, const ScanProgress& progress, QWidget* parent)
    : QProgressDialog(QStringLiteral("Scanning ..."), QStringLiteral("Cancel"), 0, 0, parent),
      onCancel_(std::move(onCancel)), progress_(progress)
{
    setObjectName(QStringLiteral("scanProgress"));
    setWindowTitle(QStringLiteral("Scan Image"));
    setWindowModality(Qt::ApplicationModal);
    setAutoClose(false);
    setAutoReset(false);
    setMinimumDuration(0);
    setMinimumWidth(fontMetrics().averageCharWidth() * 45);
    // QProgressDialog hides itself on Cancel; ours stays until the scan has ended.
    disconnect(this, SIGNAL(canceled()), this, SLOT(cancel()));
    connect(this, &QProgressDialog::canceled, this, [this] {
        if (cancelled_)
            return;
        cancelled_ = true;
        onCancel_();
        setLabelText(QStringLiteral("Cancelling ..."));
        if (auto* button = findChild<QPushButton*>())
            button->setEnabled(false);
    });
    connect(&timer_, &QTimer::timeout, this, &ScanProgressDlg::update);
    timer_.start(50);
    update();
}

void ScanProgressDlg::reject()
{
    emit canceled();
}

void ScanProgressDlg::closeEvent(QCloseEvent* event)
{
    event->ignore();
    emit canceled();
}

void ScanProgressDlg::update()
{
    const std::int64_t expected = progress_.expected;
    if (expected <= 0) {
        setRange(0, 0);
        return;
    }
    // The bar counts in KiB so that the largest scans fit an int.
    setRange(0, int(std::min<std::int64_t>(expected / 1024 + 1, INT_MAX)));
    setValue(int(std::min<std::int64_t>(progress_.bytesRead / 1024, maximum())));
}

}  // namespace hf
