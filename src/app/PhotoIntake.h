#pragma once

#include "LBitmap.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <string>

class QWidget;

namespace hf {

class AlbumWindow;
class CPictureEditorDlg;
class Profile;

// The road every new photo takes: a source fills the picture editor, the
// user frames and saves it, and the Album window files the saved picture.
class PhotoIntake final : public QObject {
    Q_OBJECT
public:
    explicit PhotoIntake(AlbumWindow& window);

    // Add Photo: an image file chosen in the file dialog.
    void addPhotoFromFile();
    // The first of the files dropped on the Album window.
    void addDroppedFile(const QStringList& paths);

    // Runs the editor on a picture and files the result; false when nothing
    // was added. Sources without a file name propose "New Picture".
    bool runEditor(LBitmap source, const std::string& proposedName);

    // Tells the user and answers true when the album has no room left.
    bool refuseWhenFull();

    // Runs the file dialog; empty when the user cancelled. Replaceable so
    // that tests can drive the road without it.
    std::function<QString(QWidget* owner)> chooseFile;

private:
    bool loadAndEdit(const QString& path, const std::string& proposedName);

    AlbumWindow& window_;
};

// The file dialog's "Image files" filter: every suffix Qt's image readers
// take, with the suffixes of any reader outside Qt (the dialog matches them
// in either case).
QString imageFileFilter(const QStringList& extraSuffixes = {});

// Where the file dialog opens: the folder of the last photo added while it
// exists, else the user's pictures folder, else the home folder.
QString photoStartFolder(const Profile& profile);
void rememberPhotoFolder(Profile& profile, const QString& photoFile);

// The file dialog for image files, with a preview of the chosen picture.
QString choosePictureFile(QWidget* owner, const QString& startFolder);

}  // namespace hf
