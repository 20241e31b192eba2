#include "AlbumWindow.h"

#include "QtText.h"

#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QListWidget>

// The handheld user, the program folder and the reload request that the
// synchronisation sends after it has rewritten the album.
namespace hf {

void AlbumWindow::switchUser(int index)
{
    // Choosing the current user again is no new selection.
    if (index == session_.currentIndex())
        return;
    session_.switchUser(index);
    userBox_->setCurrentIndex(session_.currentIndex());
    albumReplaced();
}

void AlbumWindow::requestReload()
{
    // A reload under an open dialog would change the album beneath the
    // answer the user is giving; it waits until every dialog has ended.
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal != this) {
        reloadPending_ = true;
        watchModal(modal);
        return;
    }
    reloadPending_ = false;
    reloadAlbum();
}

void AlbumWindow::watchModal(QWidget* modal)
{
    if (watchedModal_ == modal)
        return;
    if (watchedModal_)
        watchedModal_->removeEventFilter(this);
    watchedModal_ = modal;
    modal->installEventFilter(this);
}

bool AlbumWindow::modalEnded(QObject* watched, QEvent* event)
{
    if (watched != watchedModal_.data() || event->type() != QEvent::Hide)
        return false;
    watchedModal_->removeEventFilter(this);
    watchedModal_ = nullptr;
    // Still inside the dialog's end: its command has not yet acted on the
    // answer, and will find the reloaded album when it does.
    if (reloadPending_)
        requestReload();
    return true;
}

void AlbumWindow::reloadAlbum()
{
    ++reloads_;
    session_.reload();
    userBox_->clear();
    for (const std::string& name : session_.users().items())
        userBox_->addItem(toQString(name));
    userBox_->setCurrentIndex(session_.currentIndex());
    albumReplaced();
}

void AlbumWindow::albumReplaced()
{
    album_->repairCategories();
    fillCategoryFilter();
    fillPhotoList();
    updateCommands();
    showFolderState();
}

void AlbumWindow::showFolderState()
{
    const bool has = session_.hasProgramFolder();
    noFolderNote_->setVisible(!has);
    if (has) {
        toldNoFolder_ = false;
        return;
    }
    refreshPreview();
    if (toldNoFolder_ || !initialised_)
        return;
    toldNoFolder_ = true;
    const std::string list = session_.userListFile().string();
    boxes().show(session_.users().size() == 0
                     ? "There is no handheld user to keep an album for.\n\nAdd a handheld user with a folder to the "
                       "handheld desktop's user list" +
                           (list.empty() ? std::string() : " (" + list + ")") +
                           ", then send a reload or start Handfolio again."
                     : "The folder of handheld user " + session_.currentUser() +
                           " cannot be found, so Handfolio cannot keep an album for this user.\n\nConnect the drive "
                           "that holds it, or give the user a folder in the handheld desktop's user list" +
                           (list.empty() ? std::string() : " (" + list + ")") + ", then choose the user again.",
                 "Handfolio", MsgStyle::Exclamation);
}

}  // namespace hf
