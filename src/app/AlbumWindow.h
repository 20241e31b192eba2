#pragma once

#include "AlbumController.h"
#include "AutoPlay.h"
#include "HandheldDesktop.h"
#include "HelpWindow.h"
#include "MessageBoxes.h"
#include "PhotoSourceHost.h"
#include "Profile.h"

#include <QDialog>
#include <QPointer>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QListWidget;
class QMenu;
class QMenuBar;
class QPushButton;

namespace hf {

class PhotoIntake;
class PixelExactLabel;
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

// The program's main window. It shows what the album controller holds (the
// users, the category filter, the photo list, the preview and which
// commands are on), forwards the user's actions to it, and runs the dialogs
// those actions need. The photo sources reach it through sourceHost().
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

    void removePhoto();
    void movePhotoUp();
    void movePhotoDown();
    void showDetails();
    void categoryChanged(int index);
    void switchUser(int index);
    // The reload request: carried out at once, or when the dialogs that are
    // open have ended.
    void requestReload();
    void reloadAlbum();
    void refreshPreview();
    void exitProgram();
    void showHelp();
    void showAbout();

    // Files a picture the editor has saved and selects it.
    bool fileNewPicture(const NewPicture& picture);
    void intakeStep(const std::string& pictureName, const std::filesystem::path& picturePath, int colourMode)
    {
        fileNewPicture({pictureName, picturePath, colourMode, {}});
    }

    AlbumController& controller() { return controller_; }
    Album& album() { return controller_.album(); }
    MessageBoxes& boxes() { return services_.boxes; }
    Profile& profile() { return services_.profile; }
    const std::filesystem::path& programFolder() const { return controller_.programFolder(); }
    AutoPlay& autoPlay() { return autoPlay_; }
    HelpWindow* helpWindow() const { return help_; }
    PhotoSourceHost& sourceHost();
    // Add Photo and dropped files.
    PhotoIntake& intake() { return *intake_; }
    // The text of the preview pane's empty state; empty while it shows a picture.
    const QString& previewText() const { return previewText_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    class SourceHost;

    void buildControls();
    void buildMenu();
    void addSourceCommand(SourceCommand command);
    void setCommandBlocked(int id, bool blocked);
    // Brings every widget up to the controller's state.
    void showState();
    void showUsers();
    void showFilter();
    void showRows();
    void showPreview();
    void showCommands();
    bool buttonWinsShortcut(QEvent* event);
    // Lays the controls out for the window's size: the template's places,
    // with the photo list taking what the window has beyond the template.
    void layoutClient();
    int templateRightColumn() const;
    void watchModal(QWidget* modal);
    bool modalEnded(QObject* watched, QEvent* event);

    AlbumServices services_;
    AlbumController controller_;
    AutoPlay autoPlay_;
    std::unique_ptr<SourceHost> host_;
    std::unique_ptr<PhotoIntake> intake_;
    std::vector<std::function<void()>> closing_;
    bool firstPaint_ = false;
    bool shownOnce_ = false;
    bool resizable_ = false;
    bool filling_ = false;
    bool dropsAccepted_ = false;
    std::uint64_t shownUsers_ = 0;
    std::uint64_t shownFilter_ = 0;
    std::uint64_t shownRows_ = 0;
    std::uint64_t shownPreview_ = 0;
    QPointer<QWidget> watchedModal_;
    QString previewText_;
    QPushButton* helpButton_ = nullptr;

    QMenuBar* menuBar_ = nullptr;
    QMenu* fileMenu_ = nullptr;
    QAction* exitSeparator_ = nullptr;
    QWidget* client_ = nullptr;
    QPushButton* addButton_ = nullptr;
    QPushButton* removeButton_ = nullptr;
    QPushButton* upButton_ = nullptr;
    QPushButton* downButton_ = nullptr;
    QPushButton* detailsButton_ = nullptr;
    QComboBox* userBox_ = nullptr;
    QComboBox* filterBox_ = nullptr;
    QListWidget* list_ = nullptr;
    PixelExactLabel* preview_ = nullptr;
    QLabel* nameLabel_ = nullptr;
    QLabel* categoryLabel_ = nullptr;
    QLabel* privateLabel_ = nullptr;
    QAction* addAction_ = nullptr;
    QAction* removeAction_ = nullptr;
    // Every photo source's command, and the commands on a listed photo.
    QList<QAction*> sourceActions_;
    QList<QAction*> photoActions_;
    QLabel* noFolderNote_ = nullptr;
    QFrame* leftLine_ = nullptr;
    QFrame* rightLine_ = nullptr;
    std::vector<std::pair<QPointer<QWidget>, QRect>> templateGeometry_;
    QPointer<HelpWindow> help_;
    ReloadService* reload_ = nullptr;
};

}  // namespace hf
