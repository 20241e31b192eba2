#pragma once

#include "LBitmap.h"
#include "MessageBoxes.h"
#include "NewPicture.h"
#include "Profile.h"

#include <filesystem>
#include <functional>
#include <set>
#include <string>

class QFrame;
class QWidget;

namespace hf {

// A photo source's entry in the File menu. Entries appear in the order the
// sources add them, after "Add Photo from File" and before "Exit".
struct SourceCommand {
    int id = 0;
    const char* text = "";
    std::function<void()> run;
    bool separatorBefore = false;
};

// All a photo source sees of the program: where to say things, the
// settings, the album's folder and room, and the road by which a saved
// picture becomes a photo in the album. The app implements it; sources never
// reach into the Album window.
class PhotoSourceHost {
public:
    virtual ~PhotoSourceHost() = default;

    virtual MessageBoxes& boxes() = 0;
    virtual Profile& profile() = 0;
    // Where the editor writes its picture; empty when the user has none.
    virtual std::filesystem::path programFolder() const = 0;
    // Tells the user and answers true when the album has no room left.
    virtual bool refuseWhenFull() = 0;
    // The handheld model the editor preselects (Windows-1252).
    virtual std::string lastHandheldModel() const = 0;
    // Files a picture the editor saved; false when nothing was added (the
    // picture file is then removed).
    virtual bool fileNewPicture(const NewPicture& picture) = 0;
    // The numbers N of the picture files p<N>.bmp the album's records name.
    virtual std::set<int> takenPictureNumbers() const = 0;
    // Keeps a command off while the source is busy with it.
    virtual void setCommandBlocked(int id, bool blocked) = 0;
    // The window that dialogs and message boxes belong to.
    virtual QWidget* owner() = 0;
    // The preview pane, which a source may paint over while it works.
    virtual QFrame* previewPane() = 0;
    virtual void addSourceCommand(SourceCommand command) = 0;
    // Runs when the program's window is going, while the windows it owns
    // still exist: work a source has under way must end then.
    virtual void whenClosing(std::function<void()> stop) = 0;
};

// The road every new photo takes once a source has its picture: the picture
// editor opens on it with the proposed name (Windows-1252) and the album's
// last model, and what the user saves is filed. False when nothing was
// added.
bool editNewPhoto(PhotoSourceHost& host, LBitmap picture, std::string proposedName);

}  // namespace hf
