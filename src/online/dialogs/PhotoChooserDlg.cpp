#include "PhotoChooserDlg.h"

#include "DialogUnits.h"
#include "ImageIO.h"
#include "ListKeys.h"
#include "ServiceDialogs.h"

#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>

#include <cstdio>

namespace fs = std::filesystem;

namespace hf {
namespace {

// Each item: gray when selected, white otherwise, a black frame, and the
// thumbnail unscaled in the middle.
class ThumbnailDelegate final : public QStyledItemDelegate {
public:
    ThumbnailDelegate(const CPhotoChooserDlg& dialog, QObject* parent) : QStyledItemDelegate(parent), dialog_(dialog) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QRect r = option.rect;
        painter->save();
        painter->setPen(Qt::black);
        painter->setBrush((option.state & QStyle::State_Selected) ? QColor(128, 128, 128) : QColor(Qt::white));
        painter->drawRect(r.adjusted(0, 0, -1, -1));
        const QImage picture = toQImage(dialog_.thumbnail(index.data(Qt::UserRole).toInt()));
        if (!picture.isNull())
            painter->drawImage(thumbnailOrigin(r, picture.size()), picture);
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override
    {
        return {CPhotoChooserDlg::kItemSize, CPhotoChooserDlg::kItemSize};
    }

private:
    const CPhotoChooserDlg& dialog_;
};

}  // namespace

QPoint thumbnailOrigin(const QRect& item, QSize thumbnail)
{
    // The item's right and bottom edges lie just outside it.
    const int right = item.left() + item.width();
    const int bottom = item.top() + item.height();
    return {item.left() + (right - thumbnail.width() - item.left()) / 2,
            item.top() + (bottom - item.top() - thumbnail.height()) / 2};
}

CPhotoChooserDlg::CPhotoChooserDlg(const fs::path& downloadFolder, int thumbnailCount, MessageBoxes& boxes,
                                   QWidget* parent)
    : QDialog(parent), folder_(downloadFolder), count_(std::min(thumbnailCount, kMaxThumbnails)), boxes_(boxes),
      slots_(static_cast<std::size_t>(kMaxThumbnails))
{
    setObjectName(QStringLiteral("142"));
    setWindowTitle(QStringLiteral("Select a Photo"));
    setFont(DialogUnits::dialogFont());
    const DialogUnits du(font());
    setFixedSize(du.x(165), du.y(279));

    auto* note = new QLabel(QStringLiteral("Select a photo to bring into your album"), this);
    note->setWordWrap(true);
    note->setGeometry(du.rect(7, 10, 70, 24));
    addServiceEmblem(this, 165);

    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("1003"));
    list_->setGeometry(du.rect(7, 44, 151, 206));
    selectWithFirstKey(*list_);
    list_->setItemDelegate(new ThumbnailDelegate(*this, list_));
    list_->setUniformItemSizes(true);
    list_->setSpacing(0);
    list_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    list_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);

    QPushButton* select = placeButton(this, du, "1", QStringLiteral("&Select"), {7, 258, 50, 14});
    select->setDefault(true);
    QPushButton* cancel = placeButton(this, du, "2", QStringLiteral("Cancel"), {63, 258, 50, 14});
    connect(select, &QPushButton::clicked, this, &CPhotoChooserDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(list_, &QListWidget::itemDoubleClicked, this, &CPhotoChooserDlg::accept);
}

void CPhotoChooserDlg::loadThumbnails()
{
    list_->clear();
    for (int i = 0; i < count_; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "t%04d.jpg", i + 1);
        const fs::path file = folder_ / name;
        LBitmap& slot = slots_[static_cast<std::size_t>(i)];
        slot = loadBitmap(file);
        if (!slot.IsAllocated()) {
            boxes_.show("Error Loading Photo " + file.string(), "Error Loading Photo", MsgStyle::Exclamation);
            continue;
        }
        auto* item = new QListWidgetItem(QStringLiteral("x"), list_);
        item->setData(Qt::UserRole, i);
        item->setSizeHint({kItemSize, kItemSize});
    }
}

void CPhotoChooserDlg::accept()
{
    QListWidgetItem* item = list_->currentItem();
    if (!item || !item->isSelected()) {
        boxes_.show("Please select a photo from the list.", "Select Photos", MsgStyle::Exclamation);
        return;
    }
    chosen_ = item->data(Qt::UserRole).toInt();
    QDialog::accept();
}

}  // namespace hf
