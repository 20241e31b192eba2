#include "Album.h"

#include "SafeFiles.h"
#include "Text.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace fs = std::filesystem;

namespace hf {

constexpr const char* kMissingPictures =
    "There were some pictures missing from the PC.\n"
    "You may be able to recover them by setting HotSync to 'Handheld overwrites Desktop' for Handfolio.";

// Closes a descriptor and removes the temporary file unless released.
class TempFile {
public:
    explicit TempFile(fs::path pattern) : path_(std::move(pattern))
    {
        std::string s = path_.string();
        fd_ = ::mkstemp(s.data());
        path_ = s;
    }
    ~TempFile()
    {
        if (fd_ >= 0)
            ::close(fd_);
        if (!released_) {
            std::error_code ec;
            fs::remove(path_, ec);
        }
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    bool ok() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    const fs::path& path() const { return path_; }
    bool closeFile()
    {
        const int fd = std::exchange(fd_, -1);
        return ::close(fd) == 0;
    }
    void release() { released_ = true; }

private:
    fs::path path_;
    int fd_ = -1;
    bool released_ = false;
};

namespace {

std::string formatMessage(std::string_view pattern, std::string_view arg)
{
    std::string out(pattern);
    const auto at = out.find("%s");
    if (at != std::string::npos)
        out.replace(at, 2, arg);
    return out;
}

fs::path freeKeepName(const fs::path& file)
{
    fs::path candidate = file;
    candidate += ".unreadable";
    for (int n = 2; fs::exists(fs::symlink_status(candidate)); ++n) {
        candidate = file;
        candidate += ".unreadable-" + std::to_string(n);
    }
    return candidate;
}

}  // namespace

Album::Album()
{
    resetToDefaults();
}

fs::path Album::albumFile(const fs::path& programFolder)
{
    return programFolder / kAlbumFileName;
}

AlbumHeader defaultAlbumHeader()
{
    AlbumHeader h{};
    h.headerSize = kHeaderSize;
    h.formatMarker1 = kFormatMarker1;
    h.formatMarker2 = kFormatMarker2;
    copyField(h.categoryNames[0], "Unfiled");
    copyField(h.categoryNames[1], "Personal");
    copyField(h.categoryNames[2], "Business");
    h.changedCategories = kAllCategoriesChanged;
    for (int i = 0; i < kCategorySlots; ++i)
        h.categoryIds[i] = i;
    h.lastUniqueId = kFirstDesktopCategoryId;
    return h;
}

void Album::resetToDefaults()
{
    header = defaultAlbumHeader();
    count = 0;
}

void Album::loadAlbum(const fs::path& programFolder, MessageBoxes& boxes)
{
    count = 0;
    damagedFile_.reset();
    resetToDefaults();
    // Without a program folder there is no album to read; never fall back
    // to a file in the working directory.
    if (programFolder.empty())
        return;
    const fs::path file = albumFile(programFolder);

    OpenedFile in = openRegularFile(file);
    if (in.result == OpenResult::NotRegular || in.result == OpenResult::Unreadable) {
        // A file that is there but cannot be read must not be replaced
        // silently by the next save.
        damagedFile_ = file;
    } else if (in.result == OpenResult::Opened && in.size > 0) {
        const long got = readFully(in.fd.get(), &header, sizeof header);
        if (got != static_cast<long>(sizeof header)) {
            resetToDefaults();
            damagedFile_ = file;
        } else {
            long n = 0;
            while (count < kMaxRecords &&
                   (n = readFully(in.fd.get(), &records[static_cast<std::size_t>(count)], sizeof(PhotoRecord))) ==
                       static_cast<long>(sizeof(PhotoRecord)))
                ++count;
            // More records than the album holds, or a read error, means the
            // album in memory is not the whole file.
            if (n < 0) {
                damagedFile_ = file;
            } else if (count == kMaxRecords) {
                PhotoRecord extra{};
                if (readFully(in.fd.get(), &extra, sizeof extra) != 0)
                    damagedFile_ = file;
            }
        }
    }
    in.fd.reset();

    for (int i = 0; i < count; ++i) {
        const PhotoRecord& r = records[static_cast<std::size_t>(i)];
        if (r.deleted == 0 && !pictureExists(recordPath(r))) {
            boxes.show(kMissingPictures, "Handfolio - Missing Pictures", MsgStyle::Ok);
            break;
        }
    }

    // The album's own exchange sort: records with equal positions are never
    // exchanged with each other, and the result depends on it.
    for (int i = 0; i + 1 < count; ++i) {
        for (int j = i + 1; j < count; ++j) {
            if (records[static_cast<std::size_t>(i)].position > records[static_cast<std::size_t>(j)].position)
                exchangeRecords(i, j);
        }
    }
}

bool Album::saveAlbum(const fs::path& programFolder, MessageBoxes& boxes)
{
    return writeAlbumFile(programFolder, albumFile(programFolder), boxes);
}

std::optional<fs::path> Album::saveCopyBeside(const fs::path& programFolder, MessageBoxes& boxes)
{
    const fs::path file = albumFile(programFolder);
    fs::path copy = file;
    copy += ".mine";
    std::error_code ec;
    for (int n = 2; fs::exists(fs::symlink_status(copy, ec)); ++n) {
        copy = file;
        copy += ".mine-" + std::to_string(n);
    }
    if (!writeAlbumFile(programFolder, copy, boxes))
        return std::nullopt;
    return copy;
}

bool Album::writeAlbumFile(const fs::path& programFolder, const fs::path& file, MessageBoxes& boxes)
{
    std::error_code ec;
    if (programFolder.empty() || !fs::is_directory(programFolder, ec)) {
        if (programFolder.empty() || !fs::create_directory(programFolder, ec)) {
            boxes.show(formatMessage("Error saving photo album.  Could not create directory %s.  Make sure "
                                     "the Palm desktop is installed correctly for this user.",
                                     programFolder.string()),
                       "Error", MsgStyle::Ok);
            return false;
        }
    }

    const auto failed = [&] {
        boxes.show(formatMessage("Error saving photo album to %s.  Check to see if the disk is full.", file.string()),
                   "Error", MsgStyle::Ok);
        return false;
    };

    // A user who made the album read-only meant it: it is not replaced,
    // even where the file system would let this program do so.
    struct stat old {};
    const bool exists = ::stat(file.c_str(), &old) == 0;
    if (exists && (old.st_mode & S_IWUSR) == 0)
        return failed();

    TempFile temp(programFolder / (std::string(kAlbumTempPrefix) + "XXXXXX"));
    if (!temp.ok())
        return failed();

    header.headerSize = kHeaderSize;
    header.formatMarker1 = kFormatMarker1;
    header.formatMarker2 = kFormatMarker2;
    std::int32_t position = 0;
    for (int i = 0; i < count; ++i) {
        PhotoRecord& r = records[static_cast<std::size_t>(i)];
        if (r.deleted != 0)
            continue;
        if (r.position != position) {
            r.position = position;
            r.modified = 1;
        }
        ++position;
    }

    // The owner must always be able to read the new file, or the next start
    // could not load what this save wrote.
    const mode_t mode = exists ? ((old.st_mode & 07777) | S_IRUSR) : mode_t{0644};
    if (::fchmod(temp.fd(), mode) != 0 || !writeFully(temp.fd(), &header, sizeof header))
        return failed();
    faultPoint("album-write-1");
    if (!writeFully(temp.fd(), records.data(), sizeof(PhotoRecord) * static_cast<std::size_t>(count)))
        return failed();
    faultPoint("album-write-2");
    if (::fsync(temp.fd()) != 0 || !temp.closeFile())
        return failed();

    if (damagedFile_ && *damagedFile_ == file && fs::exists(fs::symlink_status(file, ec)))
        return replaceDamagedFile(temp, file, boxes) || failed();

    faultPoint("album-before-rename");
    if (::rename(temp.path().c_str(), file.c_str()) != 0)
        return failed();
    temp.release();
    damagedFile_.reset();
    // The new album is in place, but not yet safe from a power cut: said
    // like any other failed save, and written again by the next one.
    return syncFolder(programFolder) || failed();
}

bool Album::replaceDamagedFile(TempFile& temp, const fs::path& file, MessageBoxes& boxes)
{
    // The damaged file is never copied (it may be unreadable, or a FIFO):
    // a second name is linked to it, so that Photos.dat exists at every
    // moment, and the new album is renamed over the first name.
    fs::path kept;
    bool linked = false;
    for (int attempt = 0; attempt < 16 && !linked; ++attempt) {
        kept = freeKeepName(file);
        faultPoint("album-before-link");
        if (::link(file.c_str(), kept.c_str()) == 0)
            linked = true;
        else if (errno != EEXIST)
            break;
    }
    if (linked) {
        faultPoint("album-before-rename");
        if (::rename(temp.path().c_str(), file.c_str()) != 0) {
            ::unlink(kept.c_str());
            return false;
        }
    } else {
        // File systems without hard links (FAT, exFAT, SMB): move the old
        // file aside and the new one in at once.
        kept = freeKeepName(file);
        if (::rename(file.c_str(), kept.c_str()) != 0)
            return false;
        if (::rename(temp.path().c_str(), file.c_str()) != 0) {
            ::rename(kept.c_str(), file.c_str());
            return false;
        }
    }
    temp.release();
    if (!syncFolder(file.parent_path()))
        return false;
    damagedFile_.reset();
    boxes.show(formatMessage("The photo album " + file.string() +
                                 " could not be read in full.  Handfolio has kept it as %s and saved the album "
                                 "in a new file.",
                             kept.string()),
               "Handfolio", MsgStyle::Exclamation);
    return true;
}

Album::AppendResult Album::appendRecord(std::string_view pictureName, const fs::path& picturePath,
                                        std::int32_t colourMode, std::int32_t category, std::string_view userName)
{
    if (count >= kMaxRecords)
        return AppendResult::Full;
    PhotoRecord& r = records[static_cast<std::size_t>(count)];
    const std::string path = picturePath.string();
    if (!fitsField(r.picturePath, path))
        return AppendResult::PathTooLong;

    r = PhotoRecord{};
    r.syncKey = 0;
    copyField(r.pictureName, pictureName.substr(0, kMaxPictureName));
    copyField(r.picturePath, path);
    copyField(r.userName, userName);
    r.colourMode = colourMode;
    r.category = category;
    r.privateFlag = 0;
    r.deleted = 0;
    r.modified = 1;
    ++count;
    return AppendResult::Appended;
}

void Album::removeRecord(int index, const fs::path& programFolder)
{
    if (index < 0 || index >= count)
        return;
    PhotoRecord& r = records[static_cast<std::size_t>(index)];
    r.deleted = 1;
    const fs::path path = recordPath(r);
    if (isPictureFileIn(path, programFolder)) {
        std::error_code ec;
        fs::remove(path, ec);
    }
}

void Album::exchangeRecords(int a, int b)
{
    std::swap(records[static_cast<std::size_t>(a)], records[static_cast<std::size_t>(b)]);
}

void Album::repairCategories()
{
    // A name that fills its whole field would run into the next one on the
    // handheld: it keeps its first 15 bytes, and the handheld is told.
    for (int slot = 0; slot < kCategorySlots; ++slot) {
        char(&name)[kCategoryNameSize] = header.categoryNames[slot];
        if (name[kCategoryNameSize - 1] != '\0') {
            name[kCategoryNameSize - 1] = '\0';
            header.changedCategories = static_cast<std::uint16_t>(header.changedCategories | (1u << slot));
        }
    }
    for (int i = 0; i < count; ++i) {
        PhotoRecord& r = records[static_cast<std::size_t>(i)];
        const unsigned slot = static_cast<std::uint8_t>(r.category);
        if (slot >= static_cast<unsigned>(kCategorySlots) || header.categoryNames[slot][0] == '\0') {
            r.category = 0;
            r.modified = 1;
        }
    }
}

std::string_view Album::categoryName(std::int32_t index) const
{
    const unsigned slot = static_cast<std::uint8_t>(index);
    if (slot >= static_cast<unsigned>(kCategorySlots))
        return {};
    return fieldText(header.categoryNames[slot]);
}

std::optional<int> Album::findCategory(std::string_view name) const
{
    for (int i = 0; i < kCategorySlots; ++i) {
        if (fieldText(header.categoryNames[i]) == name)
            return i;
    }
    return std::nullopt;
}

std::optional<int> Album::findPhotoByPath(std::string_view pathField) const
{
    for (int i = 0; i < count; ++i) {
        const PhotoRecord& r = records[static_cast<std::size_t>(i)];
        if (r.deleted == 0 && fieldText(r.picturePath) == pathField)
            return i;
    }
    return std::nullopt;
}

bool pictureExists(const fs::path& path)
{
    if (path.empty())
        return false;
    std::error_code ec;
    return fs::exists(path, ec);
}

std::optional<int> pictureNumberOf(const fs::path& path, const fs::path& folder)
{
    if (path.empty() || folder.empty() || !path.has_parent_path())
        return std::nullopt;
    const std::string name = path.filename().string();
    if (name.size() < 6 || name.front() != 'p' || name.substr(name.size() - 4) != ".bmp")
        return std::nullopt;
    int number = 0;
    const char* end = name.data() + name.size() - 4;
    const auto [stop, error] = std::from_chars(name.data() + 1, end, number);
    if (error != std::errc() || stop != end)
        return std::nullopt;
    std::error_code e1, e2;
    const fs::path parent = fs::weakly_canonical(path.parent_path(), e1);
    const fs::path own = fs::weakly_canonical(folder, e2);
    if (e1 || e2 || parent != own)
        return std::nullopt;
    return number;
}

bool isPictureFileIn(const fs::path& path, const fs::path& folder)
{
    std::error_code ec;
    return pictureNumberOf(path, folder) && fs::is_regular_file(fs::symlink_status(path, ec));
}

fs::path recordPath(const PhotoRecord& record)
{
    return fs::path(std::string(fieldText(record.picturePath)));
}

}  // namespace hf
