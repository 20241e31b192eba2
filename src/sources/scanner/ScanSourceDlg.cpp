#include "ScanSourceDlg.h"

#include "ListKeys.h"
#include "QtText.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace hf {

CScanSourceDlg::CScanSourceDlg(const std::vector<ScanDevice>& devices, int preselected, QWidget* parent)
    : QDialog(parent), list_(new QListWidget(this))
{
    setObjectName(QStringLiteral("scanSource"));
    setWindowTitle(QStringLiteral("Select Source"));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QStringLiteral("&Sources:"), this);
    label->setBuddy(list_);
    layout->addWidget(label);

    list_->setObjectName(QStringLiteral("sources"));
    selectWithFirstKey(*list_);
    for (const ScanDevice& device : devices) {
        auto* item = new QListWidgetItem(toQString(device.label()), list_);
        item->setToolTip(toQString(device.name));
    }
    if (preselected >= 0 && preselected < list_->count())
        list_->setCurrentRow(preselected);
    const QFontMetrics metrics(font());
    list_->setMinimumSize(metrics.averageCharWidth() * 40, metrics.height() * 8);
    layout->addWidget(list_);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* select = buttons->addButton(QStringLiteral("&Select"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QDialogButtonBox::Cancel);
    select->setDefault(true);
    select->setEnabled(list_->currentRow() >= 0);
    layout->addWidget(buttons);

    connect(list_, &QListWidget::currentRowChanged, select, [select](int row) { select->setEnabled(row >= 0); });
    connect(list_, &QListWidget::itemActivated, this, &CScanSourceDlg::choose);
    connect(buttons, &QDialogButtonBox::accepted, this, &CScanSourceDlg::choose);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void CScanSourceDlg::choose()
{
    chosen_ = list_->currentRow();
    if (chosen_ >= 0)
        accept();
}

}  // namespace hf
