#include "AlbumWindow.h"

#include "PixelExactLabel.h"
#include "PreviewImage.h"
#include "QtText.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

// Brings the widgets up to what the album controller holds. Each part is
// redrawn only when the controller says it changed.
namespace hf {

void AlbumWindow::showState()
{
    filling_ = true;
    showUsers();
    showFilter();
    showRows();
    filling_ = false;
    showPreview();
    showCommands();
    noFolderNote_->setVisible(!controller_.hasProgramFolder());
}

namespace {

// Fills a box again when its entries changed since it was last filled, and
// selects the current entry.
void showEntries(QComboBox* box, const SortedList& entries, int current, std::uint64_t version, std::uint64_t& shown)
{
    if (shown != version) {
        shown = version;
        box->clear();
        for (const std::string& entry : entries.items())
            box->addItem(toQString(entry));
    }
    box->setCurrentIndex(current);
}

}  // namespace

void AlbumWindow::showUsers()
{
    showEntries(userBox_, controller_.users(), controller_.currentUserIndex(), controller_.usersVersion(), shownUsers_);
}

void AlbumWindow::showFilter()
{
    showEntries(filterBox_, controller_.filterEntries(), controller_.filterIndex(), controller_.filterVersion(),
                shownFilter_);
}

void AlbumWindow::showRows()
{
    if (shownRows_ != controller_.rowsVersion()) {
        shownRows_ = controller_.rowsVersion();
        const int rows = controller_.rowCount();
        bool sameRecords = list_->count() == rows;
        for (int row = 0; sameRecords && row < rows; ++row)
            sameRecords = list_->item(row)->data(Qt::UserRole).toInt() == controller_.recordOfRow(row);
        // A move changes only the names two rows show; rebuilding would lose
        // the list's scroll position.
        if (!sameRecords)
            list_->clear();
        for (int row = 0; row < rows; ++row) {
            const QString name = fromCp1252(controller_.rowName(row));
            if (sameRecords) {
                list_->item(row)->setText(name);
                continue;
            }
            auto* item = new QListWidgetItem(name);
            item->setData(Qt::UserRole, controller_.recordOfRow(row));
            list_->addItem(item);
        }
    }
    const int selected = controller_.selectedRow();
    const QList<QListWidgetItem*> items = list_->selectedItems();
    const int shown = items.isEmpty() ? -1 : list_->row(items.front());
    if (selected == shown)
        return;
    if (selected < 0)
        list_->clearSelection();
    else
        list_->setCurrentRow(selected, QItemSelectionModel::ClearAndSelect);
}

void AlbumWindow::showPreview()
{
    if (shownPreview_ == controller_.previewVersion())
        return;
    shownPreview_ = controller_.previewVersion();
    const PreviewState& state = controller_.preview();
    previewText_ = QString::fromStdString(state.emptyText);
    const QSize pane = preview_->contentsRect().size();
    if (state.emptyText.empty()) {
        preview_->showExact([file = state.picture, pane](qreal ratio) { return previewImage(file, pane, ratio); });
    } else {
        preview_->showExact([pane, text = previewText_, font = preview_->font()](qreal ratio) {
            return emptyStateImage(pane, text, font, ratio);
        });
    }
}

void AlbumWindow::showCommands()
{
    const CommandState& c = controller_.commands();
    removeButton_->setEnabled(c.remove);
    upButton_->setEnabled(c.moveUp);
    downButton_->setEnabled(c.moveDown);
    detailsButton_->setEnabled(c.details);
    addButton_->setEnabled(c.canAdd);
    for (QAction* a : sourceActions_)
        a->setEnabled(controller_.sourceCommandEnabled(a->objectName().toInt()));
    for (QAction* a : photoActions_)
        a->setEnabled(c.photoMenu);
    removeAction_->setEnabled(c.canRemove);
    nameLabel_->setText(fromCp1252(c.name));
    categoryLabel_->setText(fromCp1252(c.category));
    privateLabel_->setText(QString::fromLatin1(c.privateText.c_str()));
}

}  // namespace hf
