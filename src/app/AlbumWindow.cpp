#include "AlbumWindow.h"

#include "AboutBox.h"
#include "DialogUnits.h"
#include "HelpWindow.h"
#include "PreviewImage.h"
#include "QtText.h"
#include "ReloadService.h"
#include "SplashWindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>

namespace fs = std::filesystem;

namespace hf {
namespace {

constexpr const char* kAll = "All";

}  // namespace

AlbumWindow::AlbumWindow(AlbumServices services, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      services_(std::move(services)),
      album_(std::make_unique<Album>()),
      session_(services_.desktop, services_.profile, services_.boxes, *album_),
      autoPlay_(std::move(services_.autoPlay), services_.profile)
{
    setObjectName(QStringLiteral("102"));
    // The window runs in a modal loop, but must not block the help window,
    // a top-level window of its own: modal to its (absent) parent only.
    setWindowModality(Qt::WindowModal);
    setWindowTitle(QString::fromLatin1(kCaption));
    setFont(DialogUnits::dialogFont());
    buildMenu();
    buildControls();
}

AlbumWindow::~AlbumWindow()
{
    emit shuttingDown();
    autoPlay_.restore();
    if (help_)
        help_->close();
    delete help_.data();
}

void AlbumWindow::initialise()
{
    autoPlay_.suppress();
    session_.readRememberedUser();
    fillUserList();
    session_.findProgramFolder();
    session_.loadAlbum();
    albumReplaced();
    firstPaint_ = true;

    if (services_.reloadService) {
        reload_ = new ReloadService(this);
        // Queued, so that the bus call is answered at once whatever the
        // reload then shows.
        connect(reload_, &ReloadService::reloadRequested, this, &AlbumWindow::requestReload, Qt::QueuedConnection);
        reload_->registerOnSessionBus();
    }

    if (services_.splash) {
        services_.splash(this);
    } else {
        SplashWindow splash(this);
        splash.exec();
    }

    setAcceptDrops(true);
    dropsAccepted_ = true;
    initialised_ = true;
    showFolderState();
}

void AlbumWindow::fillUserList()
{
    session_.fillUserList();
    userBox_->clear();
    for (const std::string& name : session_.users().items())
        userBox_->addItem(toQString(name));
    userBox_->setCurrentIndex(session_.currentIndex());
}

std::string AlbumWindow::filterText() const
{
    return toCp1252(filterBox_->currentText());
}

void AlbumWindow::fillCategoryFilter()
{
    filterEntries_.clear();
    filterEntries_.add(kAll);
    for (int slot = 0; slot < kCategorySlots; ++slot) {
        const std::string_view name = album_->categoryName(slot);
        if (!name.empty())
            filterEntries_.add(cp1252ToUtf8(name));
    }
    filterBox_->clear();
    for (const std::string& e : filterEntries_.items())
        filterBox_->addItem(toQString(e));
    filterBox_->setCurrentIndex(filterEntries_.findPrefix(kAll));
}

void AlbumWindow::fillPhotoList()
{
    filling_ = true;
    list_->clear();
    const std::string filter = filterText();
    shownFilter_ = filter;
    const bool all = filter == kAll;
    const std::optional<int> slot = album_->findCategory(filter);
    for (int i = 0; i < album_->count; ++i) {
        const PhotoRecord& r = album_->records[static_cast<std::size_t>(i)];
        if (r.deleted != 0 || !(all || (slot && r.category == *slot)))
            continue;
        auto* item = new QListWidgetItem(fromCp1252(fieldText(r.pictureName)));
        item->setData(Qt::UserRole, i);
        list_->addItem(item);
    }
    filling_ = false;
    if (list_->count() > 0)
        selectRow(0);
    else
        refreshPreview();
    updateCommands();
}

void AlbumWindow::selectRow(int row)
{
    list_->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

int AlbumWindow::currentRow()
{
    if (list_->count() == 0)
        return -1;
    const QList<QListWidgetItem*> selected = list_->selectedItems();
    if (selected.isEmpty()) {
        selectRow(0);
        return 0;
    }
    return list_->row(selected.front());
}

void AlbumWindow::setCommandBlocked(int id, bool blocked)
{
    blockedCommands_.removeAll(id);
    if (blocked)
        blockedCommands_.append(id);
    updateSourceCommands();
}

void AlbumWindow::updateSourceCommands()
{
    for (QAction* a : sourceActions_)
        a->setEnabled(session_.hasProgramFolder() && !blockedCommands_.contains(a->objectName().toInt()));
}

int AlbumWindow::recordOfRow(int row) const
{
    return list_->item(row)->data(Qt::UserRole).toInt();
}

int AlbumWindow::rowOfRecord(int record) const
{
    for (int row = 0; row < list_->count(); ++row) {
        if (list_->item(row)->data(Qt::UserRole).toInt() == record)
            return row;
    }
    return -1;
}

void AlbumWindow::refillKeepingSelection()
{
    const int row = currentRow();
    const int record = row >= 0 ? list_->item(row)->data(Qt::UserRole).toInt() : -1;
    fillPhotoList();
    if (const int again = rowOfRecord(record); again >= 0)
        selectRow(again);
}

void AlbumWindow::showEmptyState(const QString& text)
{
    emptyStateText_ = text;
    preview_->setPixmap(QPixmap::fromImage(emptyStateImage(preview_->contentsRect().size(), text, preview_->font())));
}

void AlbumWindow::refreshPreview()
{
    if (!session_.hasProgramFolder()) {
        showEmptyState(QStringLiteral("No handheld user folder"));
        return;
    }
    const int row = currentRow();
    if (row < 0) {
        showEmptyState(album_->count > 0 ? QStringLiteral("This category has no photos")
                                         : QStringLiteral("Click 'Add Photo'"));
        return;
    }
    const int record = list_->item(row)->data(Qt::UserRole).toInt();
    const fs::path path = recordPath(album_->records[static_cast<std::size_t>(record)]);
    if (!pictureExists(path)) {
        showEmptyState(QStringLiteral("Missing Picture"));
        return;
    }
    emptyStateText_.clear();
    preview_->setPixmap(QPixmap::fromImage(previewImage(path, preview_->contentsRect().size())));
}

void AlbumWindow::updateCommands()
{
    const int rows = list_->count();
    if (rows == 0) {
        for (QPushButton* b : {removeButton_, upButton_, downButton_, detailsButton_})
            b->setEnabled(false);
        canRemove_ = false;
    } else {
        removeButton_->setEnabled(true);
        detailsButton_->setEnabled(true);
        canRemove_ = true;
        const QList<QListWidgetItem*> selected = list_->selectedItems();
        if (selected.isEmpty()) {
            upButton_->setEnabled(false);
            downButton_->setEnabled(false);
            return;
        }
        const int row = list_->row(selected.front());
        upButton_->setEnabled(row != 0);
        downButton_->setEnabled(row != rows - 1);
    }

    const bool hasFolder = session_.hasProgramFolder();
    canAdd_ = hasFolder && !album_->isFull();
    addButton_->setEnabled(canAdd_);
    updateSourceCommands();
    addAction_->setEnabled(canAdd_);
    for (QAction* a : photoActions_)
        a->setEnabled(hasFolder);
    removeAction_->setEnabled(canRemove_);

    const int row = currentRow();
    if (row < 0) {
        nameLabel_->clear();
        categoryLabel_->clear();
        privateLabel_->clear();
        return;
    }
    const PhotoRecord& r = album_->records[static_cast<std::size_t>(list_->item(row)->data(Qt::UserRole).toInt())];
    nameLabel_->setText(fromCp1252(fieldText(r.pictureName)));
    categoryLabel_->setText(fromCp1252(album_->categoryName(r.category)));
    privateLabel_->setText(r.privateFlag != 0 ? QStringLiteral("Yes") : QStringLiteral("No"));
}

void AlbumWindow::categoryChanged()
{
    // Choosing the entry that is already shown is no new selection.
    if (filterText() == shownFilter_)
        return;
    fillPhotoList();
    if (list_->count() > 0)
        selectRow(0);
    list_->setFocus();
}

void AlbumWindow::exitProgram()
{
    session_.saveAlbum();
    done(QDialog::Accepted);
}

void AlbumWindow::showHelp()
{
    if (!help_)
        help_ = new HelpWindow(nullptr);
    help_->showManual();
}

void AlbumWindow::showAbout()
{
    AboutBox about(this);
    about.exec();
}

void AlbumWindow::intakeStep(const std::string& pictureName, const fs::path& picturePath, int colourMode)
{
    const std::string filter = filterText();
    const int category = filter == kAll ? 0 : album_->findCategory(filter).value_or(0);
    const std::string user = utf8ToCp1252(session_.currentUser());
    switch (album_->appendRecord(pictureName, picturePath, colourMode, category, user)) {
    case Album::AppendResult::Appended:
        break;
    case Album::AppendResult::Full:
        boxes().show(kAlbumFullMessage, "Add Photo", MsgStyle::Exclamation);
        return;
    case Album::AppendResult::PathTooLong:
        boxes().show("The picture file's path is too long for the album: " + picturePath.string(), "Add Photo",
                     MsgStyle::Exclamation);
        return;
    }
    session_.saveAlbum();
    fillPhotoList();
    list_->setFocus();
    if (const int row = rowOfRecord(album_->count - 1); row >= 0)
        selectRow(row);
    updateCommands();
}

void AlbumWindow::closeEvent(QCloseEvent* event)
{
    session_.saveAlbum();
    session_.rememberUser();
    QDialog::closeEvent(event);
}

void AlbumWindow::paintEvent(QPaintEvent* event)
{
    if (firstPaint_) {
        firstPaint_ = false;
        refreshPreview();
        updateCommands();
        if (list_->count() > 0)
            list_->setFocus();
    }
    QDialog::paintEvent(event);
}

bool AlbumWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (modalEnded(watched, event))
        return QDialog::eventFilter(watched, event);
    if (buttonWinsShortcut(event))
        return true;
    if (watched == client_ && event->type() == QEvent::Resize)
        layoutClient();
    if (watched == list_->viewport() && event->type() == QEvent::Resize)
        noFolderNote_->setGeometry(list_->viewport()->rect().adjusted(6, 6, -6, -6));
    if (watched == list_ && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        removePhoto();
        return true;
    }
    if (watched == list_->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        showDetails();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void AlbumWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (dropsAccepted_ && event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void AlbumWindow::dropEvent(QDropEvent* event)
{
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            paths << url.toLocalFile();
    }
    event->acceptProposedAction();
    // The drop ends first, so the program the file came from is not held
    // while the editor is open.
    if (!paths.isEmpty())
        QMetaObject::invokeMethod(this, [this, paths] { emit filesDropped(paths); }, Qt::QueuedConnection);
}

}  // namespace hf
