// The process dies at fixed points of a save; the files left behind must
// always be a whole album and whole pictures.
#include "AlbumLock.h"
#include "AlbumTestUtil.h"
#include "FileHandheldDesktop.h"
#include "PictureFileWriter.h"
#include "Profile.h"
#include "RecordingMessageBoxes.h"
#include "SafeFiles.h"
#include "UserSession.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

namespace fs = std::filesystem;
using namespace hf;
using namespace hf::test;

namespace {

const char* g_crashAt = nullptr;
constexpr int kCrashed = 42;

void crashHook(const char* point)
{
    if (g_crashAt && std::strcmp(point, g_crashAt) == 0)
        ::_exit(kCrashed);
}

// Runs work in a child process that ends at the named point; true when it
// got there.
bool crashesAt(const char* point, const std::function<void()>& work)
{
    const pid_t child = ::fork();
    if (child == 0) {
        g_crashAt = point;
        faultHook = crashHook;
        work();
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == kCrashed;
}

std::vector<std::string> namesIn(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

struct AlbumCrash {
    const char* point;
    bool damagedBefore;   // the album on disk could not be read
    bool keptAfterCrash;  // the .unreadable name exists after the crash
};

class AlbumCrashPoints : public ::testing::TestWithParam<AlbumCrash> {};

TEST_P(AlbumCrashPoints, AlbumIsTheOldOrTheNewOneByteForByte)
{
    const AlbumCrash c = GetParam();
    TempDir dir;
    const fs::path file = dir / "Photos.dat";
    const std::string old = c.damagedBefore ? std::string(100, 'x') : albumBytes(defaultHeader(), {});
    writeFile(file, old);
    RecordingMessageBoxes boxes;
    auto album = std::make_unique<Album>();
    album->loadAlbum(dir.path(), boxes);
    touch(dir / "p0.bmp");
    for (int i = 0; i < 50; ++i)
        album->appendRecord("New", dir / "p0.bmp", 3, 0, "Ann");

    ASSERT_TRUE(crashesAt(c.point, [&] { (void)album->saveAlbum(dir.path(), boxes); }));
    EXPECT_EQ(readFile(file), old) << "a crash before the rename leaves the old album";
    EXPECT_EQ(fs::exists(dir / "Photos.dat.unreadable"), c.keptAfterCrash);
    if (c.keptAfterCrash) {
        EXPECT_EQ(readFile(dir / "Photos.dat.unreadable"), old);
    }

    // The next start finds the old album and saves the new one as usual.
    ASSERT_TRUE(album->saveAlbum(dir.path(), boxes));
    EXPECT_EQ(fs::file_size(file), 384u + 50 * 360u);
    if (c.damagedBefore) {
        ASSERT_EQ(boxes.shown().size(), 1u);
        const fs::path kept = dir / (c.keptAfterCrash ? "Photos.dat.unreadable-2" : "Photos.dat.unreadable");
        EXPECT_EQ(readFile(kept), old);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Saves, AlbumCrashPoints,
    ::testing::Values(AlbumCrash{"album-write-1", false, false}, AlbumCrash{"album-write-2", false, false},
                      AlbumCrash{"album-before-rename", false, false}, AlbumCrash{"album-write-2", true, false},
                      AlbumCrash{"album-before-link", true, false}, AlbumCrash{"album-before-rename", true, true}));

// The keep-aside message is shown only when the new album is in place and
// the damaged one is safe under its new name.
class CheckingBoxes final : public MessageBoxes {
public:
    explicit CheckingBoxes(std::function<void()> check) : check_(std::move(check)) {}
    MsgAnswer show(std::string_view, std::string_view, MsgStyle) override
    {
        check_();
        ++shown;
        return MsgAnswer::Ok;
    }
    int shown = 0;

private:
    std::function<void()> check_;
};

TEST(AlbumKeepAside, MessageComesAfterBothFilesAreInPlace)
{
    TempDir dir;
    const std::string damaged(200, 'd');  // shorter than a header
    writeFile(dir / "Photos.dat", damaged);
    CheckingBoxes boxes([&] {
        EXPECT_EQ(fs::file_size(dir / "Photos.dat"), 384u);
        EXPECT_EQ(readFile(dir / "Photos.dat.unreadable"), damaged);
    });
    auto album = std::make_unique<Album>();
    album->loadAlbum(dir.path(), boxes);
    ASSERT_TRUE(album->saveAlbum(dir.path(), boxes));
    EXPECT_EQ(boxes.shown, 1);
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"Photos.dat", "Photos.dat.unreadable"}));
}

struct PictureCrash {
    const char* point;
    bool named;  // p1.bmp exists after the crash
};

class PictureCrashPoints : public ::testing::TestWithParam<PictureCrash> {};

TEST_P(PictureCrashPoints, NoPartialPictureEverCarriesAPictureName)
{
    const PictureCrash c = GetParam();
    TempDir dir;
    touch(dir / "p0.bmp");
    const std::vector<std::uint8_t> bytes(26678, 0x5A);
    ASSERT_TRUE(crashesAt(c.point, [&] { (void)writePictureFile(dir.path(), bytes, 255); }));
    for (const std::string& name : namesIn(dir.path())) {
        if (name == "p0.bmp" || name.starts_with(kPictureTempPrefix))
            continue;
        EXPECT_EQ(name, "p1.bmp");
        EXPECT_EQ(fs::file_size(dir / name), bytes.size()) << "a named picture is whole";
    }
    EXPECT_EQ(fs::exists(dir / "p1.bmp"), c.named);
    // The crash holds no number: the next picture takes the first free one.
    const WrittenPicture again = writePictureFile(dir.path(), bytes, 255);
    ASSERT_EQ(again.result, PictureWriteResult::Written);
    EXPECT_EQ(again.file, dir / (c.named ? "p2.bmp" : "p1.bmp"));
}

INSTANTIATE_TEST_SUITE_P(Saves, PictureCrashPoints,
                         ::testing::Values(PictureCrash{"picture-written", false},
                                           PictureCrash{"picture-before-name", false},
                                           PictureCrash{"picture-named", true}));

TEST(PictureFiles, FirstFreeNumberNeverOverwritesAndLimitsAreReported)
{
    TempDir dir;
    const std::vector<std::uint8_t> bytes(100, 7);
    for (const char* taken : {"p0.bmp", "p2.bmp"})
        writeFile(dir / taken, "old");
    fs::create_symlink(dir / "nowhere", dir / "p1.bmp");  // dangling: taken too
    const WrittenPicture first = writePictureFile(dir.path(), bytes, 255);
    ASSERT_EQ(first.result, PictureWriteResult::Written);
    EXPECT_EQ(first.file, dir / "p3.bmp");
    EXPECT_EQ(readFile(dir / "p0.bmp"), "old");
    EXPECT_FALSE(fs::exists(dir / "nowhere"));
    EXPECT_EQ(readFile(first.file), std::string(100, 7));

    EXPECT_EQ(writePictureFile(dir.path(), bytes, (dir / "p4.bmp").native().size() - 1).result,
              PictureWriteResult::PathTooLong);
    EXPECT_EQ(writePictureFile(dir / "gone", bytes, 255).result, PictureWriteResult::FolderMissing);
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"p0.bmp", "p1.bmp", "p2.bmp", "p3.bmp"}))
        << "refused writes leave no temporary file";
}

class Leftovers : public ::testing::TestWithParam<bool> {};

// What a killed program left goes when an album is opened under its lock;
// the user's own files, and anything that is not exactly one of our names,
// stay. Without the lock (another program has the album open) only our
// temporary files older than an hour go: younger ones may be that program's.
TEST_P(Leftovers, OnlyOurOwnNamesAreClearedAndOnlyUnderTheLock)
{
    const bool heldElsewhere = GetParam();
    TempDir dir;
    writeFile(dir / "users.ini", "[Users]\nCount=1\nUser0=Ann\nFolder0=ann\n[Creators]\nWz4k=Handfolio\n");
    const fs::path folder = dir / "ann" / "Handfolio";
    fs::create_directories(folder / "p8.bmp");  // a folder, not a picture
    const std::time_t twoHoursAgo = std::time(nullptr) - 7200;
    const auto age = [&](const std::string& name) {
        const utimbuf times{twoHoursAgo, twoHoursAgo};
        ::utime((folder / name).c_str(), &times);
    };
    {
        Album album;
        album.appendRecord("Kept", folder / "p0.bmp", 3, 0, "Ann");
        album.appendRecord("Removed", folder / "p1.bmp", 3, 0, "Ann");
        album.records[1].deleted = 1;
        RecordingMessageBoxes quiet;
        ASSERT_TRUE(album.saveAlbum(folder, quiet));
    }
    // Older than the album: p5.bmp, named by no record, may be the user's.
    for (const std::string name : {"p0.bmp", "p1.bmp", "p5.bmp", ".Photos.dat.abc123", ".picture.bmp.XyZ789",
                                   ".picture.bmp.toolong1", "notes.txt", "Photos.dat"}) {
        if (name != "Photos.dat")
            writeFile(folder / name, "x");
        age(name);
    }
    for (const char* name : {".picture.bmp.young1", "p6.bmp", "t0001.jpg", "0002.jpg", ".t0003.jpg.part", "t12.jpg",
                             "00001.jpg", "P7.BMP", "p6.bmp.bak", "Photos.dat.mine"})
        writeFile(folder / name, "x");
    fs::create_symlink(dir / "elsewhere.bmp", folder / "p9.bmp");

    const AlbumLock other = heldElsewhere ? AlbumLock::take(folder, "Other") : AlbumLock();
    FileHandheldDesktop desktop(dir.path());
    MemoryProfile profile;
    RecordingMessageBoxes boxes;
    auto album = std::make_unique<Album>();
    UserSession session(desktop, profile, boxes, *album);
    session.fillUserList();
    session.findProgramFolder();
    session.loadAlbum();
    EXPECT_EQ(session.readOnly(), heldElsewhere);
    std::vector<std::string> kept{".handfolio.lock", "00001.jpg", "P7.BMP", "Photos.dat", "Photos.dat.mine",
                                  "notes.txt",       "p0.bmp",    "p1.bmp", "p5.bmp",     "p6.bmp.bak",
                                  "p8.bmp",          "p9.bmp",    "t12.jpg"};
    if (heldElsewhere) {
        // Not ours to judge while another program works here.
        for (const char* name :
             {".picture.bmp.toolong1", ".picture.bmp.young1", "p6.bmp", "t0001.jpg", "0002.jpg", ".t0003.jpg.part"})
            kept.emplace_back(name);
        std::sort(kept.begin(), kept.end());
    } else {
        kept.insert(kept.begin() + 1, ".picture.bmp.toolong1");
    }
    EXPECT_EQ(namesIn(folder), kept);
}

INSTANTIATE_TEST_SUITE_P(Lock, Leftovers, ::testing::Bool());

}  // namespace
