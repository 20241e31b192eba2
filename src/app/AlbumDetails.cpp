#include "AlbumWindow.h"

#include "CategoryTable.h"
#include "PictureDetailsDlg.h"
#include "Text.h"

#include <QComboBox>
#include <QListWidget>

namespace hf {

void AlbumWindow::showDetails()
{
    const int row = currentRow();
    if (row < 0) {
        boxes().show("Please select an item from the list.", "Picture Details", MsgStyle::Ok);
        return;
    }
    const int record = list_->item(row)->data(Qt::UserRole).toInt();
    PhotoRecord& r = album_->records[static_cast<std::size_t>(record)];
    CPictureDetailsDlg details(album_->header, r, boxes(), this);
    const bool ok = details.exec() == QDialog::Accepted;
    if (!ok && !details.categoriesChanged())
        return;

    album_->repairCategories();
    const std::string filter = filterText();
    fillCategoryFilter();
    if (album_->findCategory(filter)) {
        if (const int index = selectionFor(filterEntries_, cp1252ToUtf8(filter)); index >= 0)
            filterBox_->setCurrentIndex(index);
    }
    r.modified = 1;
    refillKeepingSelection();
    session_.saveAlbum();
}

}  // namespace hf
