#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <string>

class QWidget;

namespace hf {

class PhotoSourceHost;
class Profile;

// The two sources that start from a file: Add Photo, with an image file
// chosen in the file dialog, and files dropped on the Album window. Each
// takes the road every new photo takes (editNewPhoto).
class PhotoIntake final {
public:
    explicit PhotoIntake(PhotoSourceHost& host);

    // Add Photo: an image file chosen in the file dialog.
    void addPhotoFromFile();
    // The first of the files dropped on the Album window.
    void addDroppedFile(const QStringList& paths);

    // Runs the file dialog; empty when the user cancelled. Replaceable so
    // that tests can drive the road without it.
    std::function<QString(QWidget* owner)> chooseFile;

private:
    bool loadAndEdit(const QString& path, const std::string& proposedName);

    PhotoSourceHost& host_;
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
