#pragma once

#include "Album.h"
#include "AutoPlay.h"
#include "HandheldDesktop.h"
#include "MessageBoxes.h"
#include "Profile.h"
#include "HelpWindow.h"
#include "UserSession.h"

#include <QDialog>
#include <QPointer>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QListWidget;
class QMenuBar;
class QPushButton;

namespace hf {

class ReloadService;

// What the Album window needs from the desktop it runs on.
struct AlbumServices {
    Profile& profile;
    MessageBoxes& boxes;
    HandheldDesktop& desktop;
    // The desktop's AutoPlay setting; null where there is none.
    std::unique_ptr<AutoPlayBackend> autoPlay;
    // Shows the splash window modally; empty for the real one.
    std::function<void(QWidget* owner)> splash;
    // Whether to offer the reload request on the session bus.
    bool reloadService = true;
};

// The program's main window: the album of the chosen handheld user, its
// category filter, photo list and preview, and the commands on them. Every
// change to the album is saved before the handler returns.
class AlbumWindow : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kCaption = "Handfolio Album Creator 2.6";

    explicit AlbumWindow(AlbumServices services, QWidget* parent = nullptr);
    ~AlbumWindow() override;
    Q_DISABLE_COPY_MOVE(AlbumWindow)

    // The start-up: settings, users, album, lists, splash. Call once before
    // the window is shown.
    void initialise();

    void fillUserList();
    void fillCategoryFilter();
    void fillPhotoList();
    // The selected row; row 0, selected now, when none is; -1 for an empty list.
    int currentRow();
    int rowOfRecord(int record) const;
    void refillKeepingSelection();
    void refreshPreview();
    void updateCommands();

    void removePhoto();
    void movePhotoUp();
    void movePhotoDown();
    void showDetails();
    void categoryChanged();
    void switchUser(int index);
    // The reload request: carried out at once, or when the dialogs that are
    // open have ended.
    void requestReload();
    void reloadAlbum();
    // Keeps a command of the File menu off while it is busy (a download
    // under way), whatever else would turn it on.
    void setCommandBlocked(int id, bool blocked);
    // How many times the album has been read again by a reload.
    std::uint64_t reloadCount() const { return reloads_; }
    void exitProgram();
    void showHelp();
    void showAbout();

    // Files a picture the editor has saved: appends its record under the
    // filter's category and the current user, saves and selects it.
    void intakeStep(const std::string& pictureName, const std::filesystem::path& picturePath, int colourMode);

    Album& album() { return *album_; }
    UserSession& session() { return session_; }
    MessageBoxes& boxes() { return services_.boxes; }
    Profile& profile() { return services_.profile; }
    const std::filesystem::path& programFolder() const { return session_.programFolder(); }
    AutoPlay& autoPlay() { return autoPlay_; }
    HelpWindow* helpWindow() const { return help_; }
    // The category filter's text in the album's code page.
    std::string filterText() const;
    // The text of the preview pane's empty state; empty while it shows a picture.
    const QString& previewText() const { return emptyStateText_; }

signals:
    // A photo source's command; the photo sources connect here.
    void addPhotoRequested();
    void pasteRequested();
    void scanRequested();
    void captureRequested();
    void downloadRequested();
    void filesDropped(const QStringList& paths);
    // The window is going: what runs on its behalf must end now, while the
    // windows it shows still exist.
    void shuttingDown();

protected:
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildControls();
    void buildMenu();
    void showEmptyState(const QString& text);
    void selectRow(int row);
    int recordOfRow(int row) const;
    void moveRow(int step);
    // After a dialog: the record that the user's answer applies to, found
    // again by its picture path if the album was reloaded meanwhile; none,
    // after saying so, when the photo has gone.
    std::optional<int> photoAfterDialog(const std::string& pathField, std::uint64_t reloadsBefore, int record,
                                        const char* caption);
    void updateSourceCommands();
    bool buttonWinsShortcut(QEvent* event);
    // Lays the controls out for the window's size: the template's places,
    // with the photo list taking what the window has beyond the template.
    void layoutClient();
    int templateRightColumn() const;
    void watchModal(QWidget* modal);
    bool modalEnded(QObject* watched, QEvent* event);
    // Refreshes everything that shows the album after it was replaced.
    void albumReplaced();
    void showFolderState();

    AlbumServices services_;
    std::unique_ptr<Album> album_;
    UserSession session_;
    AutoPlay autoPlay_;
    bool canAdd_ = false;
    bool canRemove_ = false;
    bool firstPaint_ = false;
    bool filling_ = false;
    bool dropsAccepted_ = false;
    bool initialised_ = false;
    bool reloadPending_ = false;
    bool toldNoFolder_ = false;
    std::uint64_t reloads_ = 0;
    QPointer<QWidget> watchedModal_;
    QString emptyStateText_;
    SortedList filterEntries_;
    std::string shownFilter_;  // the filter the list was filled for
    QPushButton* helpButton_ = nullptr;

    QMenuBar* menuBar_ = nullptr;
    QWidget* client_ = nullptr;
    QPushButton* addButton_ = nullptr;
    QPushButton* removeButton_ = nullptr;
    QPushButton* upButton_ = nullptr;
    QPushButton* downButton_ = nullptr;
    QPushButton* detailsButton_ = nullptr;
    QComboBox* userBox_ = nullptr;
    QComboBox* filterBox_ = nullptr;
    QListWidget* list_ = nullptr;
    QLabel* preview_ = nullptr;
    QLabel* nameLabel_ = nullptr;
    QLabel* categoryLabel_ = nullptr;
    QLabel* privateLabel_ = nullptr;
    QAction* addAction_ = nullptr;
    QAction* removeAction_ = nullptr;
    // Every photo source's command, and the commands on a listed photo.
    QList<QAction*> sourceActions_;
    QList<QAction*> photoActions_;
    QList<int> blockedCommands_;
    QLabel* noFolderNote_ = nullptr;
    QFrame* leftLine_ = nullptr;
    QFrame* rightLine_ = nullptr;
    std::vector<std::pair<QPointer<QWidget>, QRect>> templateGeometry_;
    QPointer<HelpWindow> help_;
    ReloadService* reload_ = nullptr;
};

}  // namespace hf
