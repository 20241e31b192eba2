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
    const int record = recordOfRow(row);
    // The dialog edits copies: a reload that comes while it is open must not
    // have its answer written into whatever record then sits at this index.
    AlbumHeader header = album_->header;
    PhotoRecord edited = album_->records[static_cast<std::size_t>(record)];
    const std::string pathField(fieldText(edited.picturePath));
    const std::uint64_t reloadsBefore = reloads_;
    CPictureDetailsDlg details(header, edited, boxes(), this);
    const bool ok = details.exec() == QDialog::Accepted;
    if (!ok && !details.categoriesChanged())
        return;
    const std::optional<int> target = photoAfterDialog(pathField, reloadsBefore, record, "Picture Details");
    if (!target)
        return;

    PhotoRecord& r = album_->records[static_cast<std::size_t>(*target)];
    if (reloads_ == reloadsBefore || details.categoriesChanged())
        album_->header = header;
    if (reloads_ == reloadsBefore) {
        r = edited;
    } else {
        // Only what the user set in the dialog moves onto the reloaded
        // record; the category goes by name, as the slots may differ.
        std::memcpy(r.pictureName, edited.pictureName, sizeof r.pictureName);
        r.privateFlag = edited.privateFlag;
        r.category = album_->findCategory(fieldText(header.categoryNames[static_cast<std::uint8_t>(edited.category) %
                                                                        kCategorySlots]))
                         .value_or(0);
    }

    album_->repairCategories();
    const std::string filter = filterText();
    fillCategoryFilter();
    if (album_->findCategory(filter)) {
        if (const int index = selectionFor(filterEntries_, cp1252ToUtf8(filter)); index >= 0)
            filterBox_->setCurrentIndex(index);
    }
    r.modified = 1;
    refillKeepingSelection();
    if (const int again = rowOfRecord(*target); again >= 0)
        selectRow(again);
    session_.saveAlbum();
}

}  // namespace hf
