#include "AlbumWindow.h"

#include "PictureDetailsDlg.h"
#include "QtText.h"

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
        // The exact entry first: with "art" and "Art" both listed, a search
        // that ignores case alone would switch to the wrong one.
        int index = filterBox_->findText(fromCp1252(filter), Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (index < 0)
            index = filterBox_->findText(fromCp1252(filter), Qt::MatchStartsWith);
        if (index >= 0)
            filterBox_->setCurrentIndex(index);
    }
    r.modified = 1;
    refillKeepingSelection();
    session_.saveAlbum();
}

}  // namespace hf
