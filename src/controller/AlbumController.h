#pragma once

#include "Album.h"
#include "HandheldDesktop.h"
#include "MessageBoxes.h"
#include "NewPicture.h"
#include "Profile.h"
#include "Text.h"
#include "UserSession.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace hf {

// The filter entry that lists every photo.
inline constexpr const char* kAllCategories = "All";

// The File menu's commands that bring a photo in, by their ids.
inline constexpr int kAddPhotoCommand = 32780;

// A photo as a command saw it before it asked the user something: while the
// question is open the synchronisation may rewrite the album, and the answer
// must then go to the same photo, not to whatever sits at its old index.
struct PhotoTicket {
    std::uint64_t generation = 0;
    int record = -1;
    std::string pathField;  // the picture path field's bytes
    AlbumHeader header{};   // the album's header, with its category table, at that time
};

// What the Album window shows enabled, and its three labels. Kept between
// updates: with no row selected an update leaves the add state and the
// labels as they were.
struct CommandState {
    bool remove = false;
    bool moveUp = false;
    bool moveDown = false;
    bool details = false;
    bool canAdd = false;
    bool canRemove = false;
    bool photoMenu = false;  // Picture Details and the two moves in the Album menu
    std::string name;        // Windows-1252
    std::string category;    // Windows-1252
    std::string privateText;
};

// What the preview pane shows: a picture file, or a text on green.
struct PreviewState {
    std::string emptyText;  // empty while a picture shows
    std::filesystem::path picture;
};

// The current handheld user's album and every rule of the Album window that
// is not about widgets: the user list and program folder, the category
// filter and the rows it lists, the selection, the preview, which commands
// are on, and the commands that change the album. Every change is saved
// before the call returns. The window shows this state and forwards the
// user's actions; counters tell it what changed since it last looked.
class AlbumController {
public:
    AlbumController(HandheldDesktop& desktop, Profile& profile, MessageBoxes& boxes);
    ~AlbumController();
    AlbumController(const AlbumController&) = delete;
    AlbumController& operator=(const AlbumController&) = delete;

    // The start-up: remembered user, user list, program folder, the album
    // and everything that shows it.
    void start();
    // The start-up is over (the splash has gone): from now on a user without
    // a program folder is told so, once.
    void finishStart();

    // Handheld users.
    const SortedList& users() const { return session_.users(); }
    int currentUserIndex() const { return session_.currentIndex(); }
    std::string currentUser() const { return session_.currentUser(); }
    // Saves this user's album and opens that of users()[index]; false when
    // that user is the current one.
    bool switchUser(int index);
    // The close box: the final save, and the user remembered.
    void closeAlbum();
    // Exit: writes only what a failed save left unwritten.
    void finalSave();
    [[nodiscard]] bool saveAlbum();
    bool hasProgramFolder() const { return session_.hasProgramFolder(); }
    const std::filesystem::path& programFolder() const { return session_.programFolder(); }

    // The synchronisation's reload request. Under an open dialog it waits
    // until the dialogs have ended and the request is made again, as it would
    // change the album beneath the answer the user is giving.
    void requestReload(bool dialogOpen);
    bool reloadPending() const { return reloadPending_; }
    void reloadAlbum();
    // Counts the reloads: a ticket from an earlier generation is looked up
    // again by its picture path.
    std::uint64_t generation() const { return generation_; }

    // The category filter: "All" and every named category, sorted.
    const SortedList& filterEntries() const { return filterEntries_; }
    int filterIndex() const { return filterIndex_; }
    std::string filterText() const;  // Windows-1252
    // A new choice in the filter; false when it is the filter already shown.
    bool chooseFilter(int index);

    // The photo list: one row per listed record, in album order.
    int rowCount() const { return static_cast<int>(rows_.size()); }
    int recordOfRow(int row) const { return rows_[static_cast<std::size_t>(row)]; }
    int rowOfRecord(int record) const;
    std::string_view rowName(int row) const;  // Windows-1252
    int selectedRow() const { return selected_; }
    // A row became selected (or, with -1, the selection went); the preview
    // and the commands follow a new selection.
    void selectRow(int row);
    // The selected row; row 0, selected now, when none is; -1 for no rows.
    int currentRow();

    const PreviewState& preview() const { return preview_; }
    const CommandState& commands() const { return commands_; }
    // Whether a photo source's command in the File menu is on.
    bool sourceCommandEnabled(int id) const;
    // Keeps a command off while it is busy (a download under way).
    void setCommandBlocked(int id, bool blocked);
    // The first paint: the preview and the commands for the row shown.
    void firstPaint();
    // Reads the preview of the current row again.
    void refreshPreview();

    // Bump whenever the matching part of the state changes.
    std::uint64_t usersVersion() const { return usersVersion_; }
    std::uint64_t filterVersion() const { return filterVersion_; }
    std::uint64_t rowsVersion() const { return rowsVersion_; }
    std::uint64_t previewVersion() const { return previewVersion_; }

    // Remove Photo: asks, removes and saves. True when the list should take
    // the keyboard focus.
    bool removePhoto();
    // Move Up (-1) and Move Down (+1).
    void movePhoto(int step);
    // The photo Picture Details opens on; none, after saying so, for an
    // empty list.
    std::optional<PhotoTicket> detailsTicket();
    // The Picture Details answer: header and record as the dialog left its
    // copies of the ticket's header and record. After a reload the user's
    // category edits are carried over to the reloaded table.
    void applyDetails(const PhotoTicket& ticket, const AlbumHeader& header, const PhotoRecord& edited,
                      bool categoriesChanged);

    // Tells the user and answers true when no photo can be added now: the
    // album has no room left, or another program has it open.
    bool refuseWhenFull();
    // Another program has the album open: it is shown, never changed.
    bool readOnly() const { return session_.readOnly(); }
    // The numbers N of the p<N>.bmp in the program folder that any record,
    // removed ones included, names: not free even when the file has gone.
    std::set<int> takenPictureNumbers() const;
    // The intake: files a picture the editor saved under the filter's
    // category and the current user, saves and selects it. False when
    // nothing was added.
    bool fileNewPicture(const NewPicture& picture);

    // The record the answer to a question about this photo applies to now;
    // none, after saying so, when the photo has gone.
    std::optional<int> photoAfterDialog(const PhotoTicket& ticket, const char* caption);
    PhotoTicket ticketOf(int record) const;

    Album& album() { return *album_; }
    const Album& album() const { return *album_; }
    UserSession& session() { return session_; }
    MessageBoxes& boxes() { return boxes_; }
    Profile& profile() { return profile_; }

private:
    void albumReplaced();
    void fillCategoryFilter();
    void fillPhotoList();
    void refillKeepingSelection();
    void updateCommands();
    void setPreview(std::string text, std::filesystem::path picture = {});
    void tellFolderState();
    void tellReadOnly();
    // Saves a change just made. A save that fails has told the user; the
    // change stays in memory and the next save that works writes it.
    void saveChange();
    // Reads the album again when another program replaced Photos.dat since
    // it was read (the synchronisation, before its reload request comes),
    // so that a change is made to that album, not over it. True when it did.
    bool catchUpWithDisk();
    // Says so and answers true while another program has the album open.
    bool refuseReadOnly(const char* caption);
    // A picture written into another user's folder (the user changed while
    // the editor was open) goes into that user's album.
    bool fileInOtherAlbum(const NewPicture& picture);
    void updateCommandsForRows();
    // Removes a picture the editor wrote that will not be filed, unless a
    // record names it after all.
    void discardPicture(const std::filesystem::path& file);

    Profile& profile_;
    MessageBoxes& boxes_;
    std::unique_ptr<Album> album_;
    UserSession session_;
    SortedList filterEntries_;
    int filterIndex_ = -1;
    std::string shownFilter_;  // the filter the rows were listed for
    std::vector<int> rows_;
    int selected_ = -1;
    PreviewState preview_;
    CommandState commands_;
    std::set<int> blocked_;
    std::uint64_t generation_ = 0;
    std::uint64_t usersVersion_ = 0;
    std::uint64_t filterVersion_ = 0;
    std::uint64_t rowsVersion_ = 0;
    std::uint64_t previewVersion_ = 0;
    bool reloadPending_ = false;
    bool started_ = false;
    bool toldNoFolder_ = false;
    std::filesystem::path toldReadOnly_;
};

}  // namespace hf
