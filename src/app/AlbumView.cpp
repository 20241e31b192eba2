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

void AlbumWindow::showUsers()
{
    if (shownUsers_ != controller_.usersVersion()) {
        shownUsers_ = controller_.usersVersion();
        userBox_->clear();
        for (const std::string& name : controller_.users().items())
            userBox_->addItem(toQString(name));
    }
    userBox_->setCurrentIndex(controller_.currentUserIndex());
}

void AlbumWindow::showFilter()
{
    if (shownFilter_ != controller_.filterVersion()) {
        shownFilter_ = controller_.filterVersion();
        filterBox_->clear();
        for (const std::string& entry : controller_.filterEntries().items())
            filterBox_->addItem(toQString(entry));
    }
    filterBox_->setCurrentIndex(controller_.filterIndex());
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
