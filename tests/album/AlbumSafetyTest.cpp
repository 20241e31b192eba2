#include "AlbumTestUtil.h"
#include "RecordingMessageBoxes.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace fs = std::filesystem;
using namespace hf;
using namespace hf::test;

namespace {

class AlbumSafety : public ::testing::Test {
protected:
    TempDir dir;
    RecordingMessageBoxes boxes;
    std::unique_ptr<Album> album = std::make_unique<Album>();
    fs::path file() const { return dir / "Photos.dat"; }
};

// Limits the size of files this process may write, so that a write fails for
// real even when the tests run as root.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_{};
    void (*oldHandler_)(int) = nullptr;
};

TEST_F(AlbumSafety, FailedWriteLeavesThePreviousFileWholeAndSaysSo)
{
    touch(dir / "p0.bmp");
    album->appendRecord("Kept", dir / "p0.bmp", 1, 0, "Ann");
    ASSERT_TRUE(album->saveAlbum(dir.path(), boxes));
    const std::string before = readFile(file());

    for (int i = 0; i < 20; ++i)
        album->appendRecord("More", dir / "p0.bmp", 1, 0, "Ann");
    {
        FileSizeLimit limit(2000);
        EXPECT_FALSE(album->saveAlbum(dir.path(), boxes));
    }
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text,
              "Error saving photo album to " + file().string() + ".  Check to see if the disk is full.");
    EXPECT_EQ(boxes.shown()[0].caption, "Error");
    EXPECT_EQ(readFile(file()), before);
    EXPECT_EQ(album->count, 21) << "the records stay for the next save";
    for (const auto& entry : fs::directory_iterator(dir.path()))
        EXPECT_TRUE(entry.path().filename() == "Photos.dat" || entry.path().filename() == "p0.bmp")
            << "left behind: " << entry.path();

    ASSERT_TRUE(album->saveAlbum(dir.path(), boxes));
    EXPECT_EQ(fs::file_size(file()), 384u + 21 * 360u);
}

TEST_F(AlbumSafety, FolderThatCannotBeCreatedIsReported)
{
    const fs::path blocked = dir / "blocked";
    writeFile(blocked, "a file where the folder should be");
    EXPECT_FALSE(album->saveAlbum(blocked, boxes));
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, "Error saving photo album.  Could not create directory " + blocked.string() +
                                         ".  Make sure the Palm desktop is installed correctly for this user.");
    EXPECT_EQ(boxes.shown()[0].caption, "Error");
    EXPECT_EQ(readFile(blocked), "a file where the folder should be");
}

TEST_F(AlbumSafety, SaveCreatesOneMissingFolderLevel)
{
    EXPECT_TRUE(album->saveAlbum(dir / "Handfolio", boxes));
    EXPECT_EQ(fs::file_size(dir / "Handfolio" / "Photos.dat"), 384u);
    EXPECT_FALSE(album->saveAlbum(dir / "a" / "b", boxes)) << "only one level is created";
}

TEST_F(AlbumSafety, ShortFileIsKeptBesideTheNewAlbumAndTheUserToldOnce)
{
    writeFile(file(), std::string(100, '\x42'));
    album->loadAlbum(dir.path(), boxes);
    EXPECT_EQ(album->count, 0);
    EXPECT_EQ(album->categoryName(1), "Personal");
    ASSERT_TRUE(album->damagedFile());

    ASSERT_TRUE(album->saveAlbum(dir.path(), boxes));
    const fs::path kept = dir / "Photos.dat.unreadable";
    EXPECT_EQ(readFile(kept), std::string(100, '\x42'));
    EXPECT_EQ(fs::file_size(file()), 384u);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_NE(boxes.shown()[0].text.find(kept.string()), std::string::npos);

    ASSERT_TRUE(album->saveAlbum(dir.path(), boxes));
    EXPECT_EQ(boxes.shown().size(), 1u) << "told once";
    EXPECT_EQ(readFile(kept), std::string(100, '\x42'));
}

TEST_F(AlbumSafety, KeptCopiesNeverOverwriteEachOther)
{
    writeFile(dir / "Photos.dat.unreadable", "older");
    writeFile(file(), "short");
    album->loadAlbum(dir.path(), boxes);
    ASSERT_TRUE(album->saveAlbum(dir.path(), boxes));
    EXPECT_EQ(readFile(dir / "Photos.dat.unreadable"), "older");
    EXPECT_EQ(readFile(dir / "Photos.dat.unreadable-2"), "short");
}

TEST_F(AlbumSafety, EmptyFileCountsAsMissing)
{
    writeFile(file(), "");
    album->loadAlbum(dir.path(), boxes);
    EXPECT_FALSE(album->damagedFile());
    ASSERT_TRUE(album->saveAlbum(dir.path(), boxes));
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(AlbumSafety, MoreRecordsThanTheAlbumHoldsAreNotLostSilently)
{
    touch(dir / "p0.bmp");
    std::string bytes = albumBytes(defaultHeader(), {});
    for (int i = 0; i < kMaxRecords + 5; ++i) {
        const PhotoRecord r = makeRecord("R", dir / "p0.bmp", i);
        bytes.append(reinterpret_cast<const char*>(&r), sizeof r);
    }
    writeFile(file(), bytes);
    album->loadAlbum(dir.path(), boxes);
    EXPECT_EQ(album->count, kMaxRecords);
    ASSERT_TRUE(album->damagedFile());
    ASSERT_TRUE(album->saveAlbum(dir.path(), boxes));
    EXPECT_EQ(readFile(dir / "Photos.dat.unreadable"), bytes);
    EXPECT_EQ(fs::file_size(file()), 384u + 360u * kMaxRecords);
}

TEST_F(AlbumSafety, RemoveDeletesOnlyPictureFilesOfTheProgramFolder)
{
    TempDir elsewhere;
    const fs::path foreign = elsewhere / "p0.bmp";
    const fs::path notPicture = dir / "notes.txt";
    const fs::path badName = dir / "p1x.bmp";
    const fs::path own = dir / "p12.bmp";
    const fs::path roundabout = dir / ".." / dir.path().filename() / "p13.bmp";
    for (const fs::path& p : {foreign, notPicture, badName, own, dir / "p13.bmp"})
        touch(p);
    for (const fs::path& p : {foreign, notPicture, badName, own, roundabout})
        album->appendRecord("x", p, 1, 0, "Ann");

    for (int i = 0; i < 5; ++i)
        album->removeRecord(i, dir.path());
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(album->records[static_cast<std::size_t>(i)].deleted, 1);
    EXPECT_TRUE(fs::exists(foreign));
    EXPECT_TRUE(fs::exists(notPicture));
    EXPECT_TRUE(fs::exists(badName));
    EXPECT_FALSE(fs::exists(own));
    EXPECT_FALSE(fs::exists(dir / "p13.bmp"));
}

TEST_F(AlbumSafety, SavedFileKeepsItsModeAndAReadOnlyAlbumIsNotReplaced)
{
    album->appendRecord("A", dir / "p0.bmp", 1, 0, "Ann");
    ASSERT_TRUE(album->saveAlbum(dir.path(), boxes));
    EXPECT_EQ(fs::status(file()).permissions() & fs::perms::all, fs::perms(0644))
        << "the synchronisation may run as another user";
    // The old file's mode carries over, and the owner can always read the
    // new one. A file its owner may not write was made read-only on purpose:
    // the save is refused and the file stays as it is.
    struct Row {
        mode_t before, after;
        bool saved;
    };
    for (const Row& r : std::vector<Row>{
             {0200, 0600, true}, {0640, 0640, true}, {0604, 0604, true}, {0444, 0444, false}, {0000, 0000, false}}) {
        ASSERT_EQ(::chmod(file().c_str(), 0644), 0);
        const std::string bytes = readFile(file());
        ASSERT_EQ(::chmod(file().c_str(), r.before), 0);
        album->records[0].colourMode ^= 1;  // a change to write
        boxes.clear();
        EXPECT_EQ(album->saveAlbum(dir.path(), boxes), r.saved) << std::oct << r.before;
        struct stat st {};
        ASSERT_EQ(::stat(file().c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, r.after) << "old mode " << std::oct << r.before;
        ASSERT_EQ(boxes.shown().size(), r.saved ? 0u : 1u);
        if (!r.saved) {
            EXPECT_EQ(boxes.shown()[0].text.rfind("Error saving photo album to ", 0), 0u);
            ::chmod(file().c_str(), 0644);
            EXPECT_EQ(readFile(file()), bytes) << "left as it was";
        }
    }
}

TEST_F(AlbumSafety, FifoOrFolderAsAlbumIsDamagedNeverWaitedOn)
{
    for (const bool fifo : {true, false}) {
        fs::remove_all(file());
        fs::remove_all(dir / "Photos.dat.unreadable");
        if (fifo)
            ASSERT_EQ(::mkfifo(file().c_str(), 0600), 0);
        else
            fs::create_directory(file());
        album->loadAlbum(dir.path(), boxes);  // would block here on the FIFO
        EXPECT_EQ(album->count, 0);
        ASSERT_TRUE(album->damagedFile());
        ASSERT_TRUE(album->saveAlbum(dir.path(), boxes));
        EXPECT_EQ(fs::file_size(file()), 384u);
        const auto kept = fs::symlink_status(dir / "Photos.dat.unreadable").type();
        EXPECT_EQ(kept, fifo ? fs::file_type::fifo : fs::file_type::directory);
    }
}

}  // namespace
