#include "AlbumWindow.h"

#include "AboutBox.h"
#include "DialogUnits.h"
#include "HelpWindow.h"
#include "ImageIO.h"
#include "PhotoIntake.h"
#include "ReloadService.h"
#include "SourceHost.h"
#include "SplashWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QListWidget>
#include <QMimeData>
#include <QTimer>

// The window's life: start-up, the events it answers, and its end.
namespace hf {

AlbumWindow::AlbumWindow(AlbumServices services, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      services_(std::move(services)), controller_(services_.desktop, services_.profile, services_.boxes),
      autoPlay_(std::move(services_.autoPlay), services_.profile)
{
    setObjectName(QStringLiteral("102"));
    // The window runs in a modal loop, but must not block the help window,
    // a top-level window of its own: modal to its (absent) parent only.
    setWindowModality(Qt::WindowModal);
    setWindowTitle(QString::fromLatin1(kCaption));
    setFont(DialogUnits::dialogFont());
    host_ = std::make_unique<SourceHost>(*this);
    intake_ = std::make_unique<PhotoIntake>(*host_);
    buildMenu();
    buildControls();
}

AlbumWindow::~AlbumWindow()
{
    // What runs on the window's behalf ends now, while the windows it shows
    // still exist.
    for (const std::function<void()>& stop : closing_)
        stop();
    // The photo sources are children that hold the host: they go before
    // the state the host hands out.
    const QObjectList children = this->children();
    for (QObject* child : children) {
        if (!child->isWidgetType() && child != layout())
            delete child;
    }
    autoPlay_.restore();
    if (help_)
        help_->close();
    delete help_.data();
}

PhotoSourceHost& AlbumWindow::sourceHost()
{
    return *host_;
}

void AlbumWindow::initialise()
{
    // Before anything is decoded, by any source: Qt decodes a picture on the
    // clipboard itself, with the limit set for its readers at that moment.
    setPictureLimits();
    autoPlay_.suppress();
    controller_.start();
    showState();
    firstPaint_ = true;

    if (services_.reloadService) {
        reload_ = new ReloadService(this);
        // Queued, so that the bus call is answered at once whatever the
        // reload then shows.
        connect(reload_, &ReloadService::reloadRequested, this, &AlbumWindow::requestReload, Qt::QueuedConnection);
        connect(reload_, &ReloadService::activateRequested, this, [this] {
            if (isMinimized())
                showNormal();
            raise();
            activateWindow();
        });
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
    controller_.finishStart();
    showState();
}

void AlbumWindow::exitProgram()
{
    controller_.finalSave();
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

bool AlbumWindow::fileNewPicture(const NewPicture& picture)
{
    const bool filed = controller_.fileNewPicture(picture);
    showState();
    if (filed)
        list_->setFocus();
    return filed;
}

void AlbumWindow::setCommandBlocked(int id, bool blocked)
{
    controller_.setCommandBlocked(id, blocked);
    showCommands();
}

void AlbumWindow::closeEvent(QCloseEvent* event)
{
    controller_.closeAlbum();
    QDialog::closeEvent(event);
}

void AlbumWindow::showEvent(QShowEvent* event)
{
    if (!shownOnce_) {
        shownOnce_ = true;
        // A tiling desktop decides when the window first appears whether it
        // floats, and floats a window of fixed size: the window opens fixed
        // at its template size, as a dialog does, and becomes resizable once
        // it is on the screen.
        resize(minimumSize());
        setMaximumSize(minimumSize());
    }
    QDialog::showEvent(event);
}

void AlbumWindow::paintEvent(QPaintEvent* event)
{
    if (shownOnce_ && !resizable_) {
        resizable_ = true;
        // After this paint has reached the screen, so that the first frame
        // still carries the fixed size.
        QTimer::singleShot(0, this, [this] { setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX); });
    }
    if (firstPaint_) {
        firstPaint_ = false;
        controller_.firstPaint();
        showState();
        if (controller_.rowCount() > 0)
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

void AlbumWindow::requestReload()
{
    // A reload under an open dialog would change the album beneath the
    // answer the user is giving; it waits until every dialog has ended.
    QWidget* modal = QApplication::activeModalWidget();
    const bool dialogOpen = modal && modal != this;
    controller_.requestReload(dialogOpen);
    if (dialogOpen)
        watchModal(modal);
    else
        showState();
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
    if (controller_.reloadPending())
        requestReload();
    return true;
}

void AlbumWindow::reloadAlbum()
{
    controller_.reloadAlbum();
    showState();
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
        QMetaObject::invokeMethod(
            this, [this, paths] { intake_->addDroppedFile(paths); }, Qt::QueuedConnection);
}

}  // namespace hf
