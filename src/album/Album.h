#pragma once

#include "AlbumFormat.h"
#include "MessageBoxes.h"

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace hf {

class TempFile;

// What every photo source says when the album has no room left.
inline constexpr const char* kAlbumFullMessage =
    "The album is full: it holds 1000 photos.  Removed photos still count until the handheld has been "
    "synchronised with HotSync.";

// Temporary files this program writes in a program folder while it saves:
// the prefix is followed by six random characters.
inline constexpr std::string_view kAlbumTempPrefix = ".Photos.dat.";
inline constexpr std::string_view kPictureTempPrefix = ".picture.bmp.";
// Temporary files older than this are left-overs of a crash.
inline constexpr long kStaleTemporaryAge = 3600;

// The album of one handheld user: header and up to 1000 records, held as one
// fixed block in file layout. Records in use are records[0 .. count - 1];
// removed photos stay in use with their deleted flag set.
//
// The block is about 352 KB: owners hold an Album on the heap.
class Album {
public:
    Album();

    AlbumHeader header{};
    std::array<PhotoRecord, kMaxRecords> records{};
    std::int32_t count = 0;

    static std::filesystem::path albumFile(const std::filesystem::path& programFolder);

    // Replaces the album with the contents of programFolder/Photos.dat, or
    // with the default album when there is none (or no folder); tells the user once when
    // picture files are missing; sorts the records by position.
    void loadAlbum(const std::filesystem::path& programFolder, MessageBoxes& boxes);

    // Renumbers positions and rewrites the album file atomically. Returns
    // false, after telling the user, when the file could not be written; the
    // records in memory then stay as they are for the next save.
    [[nodiscard]] bool saveAlbum(const std::filesystem::path& programFolder, MessageBoxes& boxes);

    // Writes the album beside Photos.dat, under a name of its own
    // (Photos.dat.mine, Photos.dat.mine-2, ...), for when another program
    // replaced the album meanwhile: neither side's photos are lost. The
    // copy's path, or none after telling the user that it failed.
    [[nodiscard]] std::optional<std::filesystem::path> saveCopyBeside(const std::filesystem::path& programFolder,
                                                                      MessageBoxes& boxes);

    void resetToDefaults();

    enum class AppendResult { Appended, Full, PathTooLong };
    // Adds one record at the end. Picture name and user name are Windows-1252
    // bytes and are cut to their fields; the path is native bytes and is
    // never cut.
    AppendResult appendRecord(std::string_view pictureName, const std::filesystem::path& picturePath,
                              std::int32_t colourMode, std::int32_t category, std::string_view userName);

    // Marks the record deleted and deletes its picture file, but only when
    // the recorded path names a p<N>.bmp inside programFolder.
    void removeRecord(int index, const std::filesystem::path& programFolder);

    void exchangeRecords(int a, int b);
    void repairCategories();

    // The Windows-1252 name in a slot (index taken as its low 8 bits), or
    // the empty text for an index above 15.
    std::string_view categoryName(std::int32_t index) const;
    std::optional<int> findCategory(std::string_view name) const;

    bool isFull() const { return count >= kMaxRecords; }

    // The photo in use (not removed) whose picture path field holds exactly
    // these bytes.
    std::optional<int> findPhotoByPath(std::string_view pathField) const;

    // When the album file that was loaded could not be read faithfully, the
    // path of that file: the next save keeps it under another name first.
    const std::optional<std::filesystem::path>& damagedFile() const { return damagedFile_; }

private:
    [[nodiscard]] bool writeAlbumFile(const std::filesystem::path& programFolder, const std::filesystem::path& file,
                                      MessageBoxes& boxes);
    bool replaceDamagedFile(TempFile& temp, const std::filesystem::path& file, MessageBoxes& boxes);

    std::optional<std::filesystem::path> damagedFile_;
};

// The header of a new album: "Unfiled", "Personal" and "Business", unique
// IDs 0 to 15, last unique ID 128, every category marked changed.
AlbumHeader defaultAlbumHeader();

bool pictureExists(const std::filesystem::path& path);

// True when path names a picture file "p<N>.bmp" directly inside folder.
bool isPictureFileIn(const std::filesystem::path& path, const std::filesystem::path& folder);
// The N of a path that names "p<N>.bmp" directly inside folder, whether or
// not that file is there.
std::optional<int> pictureNumberOf(const std::filesystem::path& path, const std::filesystem::path& folder);

// The picture path field's bytes as a path, and back.
std::filesystem::path recordPath(const PhotoRecord& record);

}  // namespace hf
