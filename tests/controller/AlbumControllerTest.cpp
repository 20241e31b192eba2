// The Album window's rules without a window: what a command does when the
// synchronisation rewrites the album while the user answers it, the intake
// of a new picture, and which commands are on.
#include "AlbumController.h"
#include "AlbumTestUtil.h"
#include "CategoryTable.h"
#include "FileHandheldDesktop.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace hf;
using namespace hf::test;

namespace {

// Answers questions with Yes after running what happens meanwhile.
class AnsweringBoxes final : public MessageBoxes {
public:
    MsgAnswer show(std::string_view text, std::string_view caption, MsgStyle style) override
    {
        shown.push_back(std::string(caption) + ": " + std::string(text));
        if (style != MsgStyle::YesNo)
            return MsgAnswer::Ok;
        if (meanwhile)
            std::exchange(meanwhile, nullptr)();
        return MsgAnswer::Yes;
    }
    std::function<void()> meanwhile;
    std::vector<std::string> shown;
};

class Controller : public ::testing::Test {
protected:
    Controller()
    {
        writeFile(palm / "users.ini",
                  "[Users]\nCount=2\nUser0=Ann\nFolder0=ann\nUser1=Bob\nFolder1=bob\n[Creators]\nWz4k=Handfolio\n");
        fs::create_directories(folder);
        desktop.refresh();
    }
    struct Photo {
        const char* name = "";
        int picture = 0;  // p<N>.bmp
        int category = 0;
    };
    // What the synchronisation leaves: these photos, and "Travel" in slot 3.
    void writeAlbum(std::initializer_list<Photo> photos, bool travel = true) const
    {
        Album album;
        if (travel)
            copyField(album.header.categoryNames[3], "Travel");
        for (const Photo& p : photos) {
            const fs::path picture = folder / ("p" + std::to_string(p.picture) + ".bmp");
            touch(picture);
            album.appendRecord(p.name, picture, 3, p.category, "Ann");
        }
        AnsweringBoxes quiet;
        ASSERT_TRUE(album.saveAlbum(folder, quiet));
    }
    // The album as the file now holds it: the names of the photos in use.
    std::vector<std::string> namesOnDisk() const
    {
        Album album;
        AnsweringBoxes quiet;
        album.loadAlbum(folder, quiet);
        std::vector<std::string> names;
        for (int i = 0; i < album.count; ++i) {
            const PhotoRecord& r = album.records[static_cast<std::size_t>(i)];
            if (r.deleted == 0)
                names.emplace_back(fieldText(r.pictureName));
        }
        return names;
    }
    void selectRecordNamed(std::string_view name)
    {
        for (int row = 0; row < c.rowCount(); ++row) {
            if (c.rowName(row) == name)
                c.selectRow(row);
        }
    }

    TempDir palm;
    fs::path folder = palm / "ann" / "Handfolio";
    FileHandheldDesktop desktop{palm.path()};
    MemoryProfile profile;
    AnsweringBoxes boxes;
    AlbumController c{desktop, profile, boxes};
};

enum class Command { Remove, Details, Intake };
enum class Sync { None, PhotoMoved, PhotoGone };

struct ReloadCase {
    Command command;
    Sync sync;
    std::vector<std::string> expected;  // the names on disk afterwards
    bool toldGone;
};

class ReloadUnderQuestion : public Controller, public ::testing::WithParamInterface<ReloadCase> {};

// "Beach" is chosen; while the user answers, the synchronisation rewrites
// the album and the reload request comes: the answer goes to "Beach" where
// it now is, or nowhere when it has gone.
TEST_P(ReloadUnderQuestion, TheAnswerGoesToTheSamePhotoInTheReloadedAlbum)
{
    const ReloadCase& t = GetParam();
    writeAlbum({{"Beach", 0}, {"Hills", 1}});
    c.start();
    c.finishStart();
    selectRecordNamed("Beach");
    const auto synchronise = [&] {
        if (t.sync == Sync::PhotoMoved)
            writeAlbum({{"Synced", 5}, {"Beach", 0}, {"Hills", 1}});
        if (t.sync == Sync::PhotoGone)
            writeAlbum({{"Synced", 5}, {"Hills", 1}});
        if (t.sync != Sync::None) {
            c.requestReload(true);
            EXPECT_EQ(c.generation(), 0u) << "no reload while the question is open";
            c.requestReload(false);
        }
    };

    switch (t.command) {
    case Command::Remove:
        boxes.meanwhile = synchronise;
        c.removePhoto();
        EXPECT_EQ(fs::exists(folder / "p0.bmp"), t.toldGone) << "Beach's picture goes, and only it";
        EXPECT_TRUE(fs::exists(folder / "p1.bmp"));
        break;
    case Command::Details: {
        const std::optional<PhotoTicket> ticket = c.detailsTicket();
        ASSERT_TRUE(ticket);
        AlbumHeader header = c.album().header;
        PhotoRecord edited = c.album().records[static_cast<std::size_t>(ticket->record)];
        copyField(edited.pictureName, "Renamed");
        edited.category = 3;
        synchronise();
        c.applyDetails(*ticket, header, edited, false);
        if (const std::optional<int> renamed = c.album().findPhotoByPath(ticket->pathField)) {
            EXPECT_EQ(c.album().records[static_cast<std::size_t>(*renamed)].category, 3) << "filed by name";
        }
        break;
    }
    case Command::Intake:
        synchronise();
        touch(folder / "p7.bmp");
        EXPECT_TRUE(c.fileNewPicture({"New", folder / "p7.bmp", 2, "Palm m505"}));
        EXPECT_EQ(fieldText(c.album().header.lastModel), "Palm m505") << "the editor's model is written";
        break;
    }
    EXPECT_EQ(namesOnDisk(), t.expected);
    const bool toldGone =
        !boxes.shown.empty() && boxes.shown.back().find("no longer in the album") != std::string::npos;
    EXPECT_EQ(toldGone, t.toldGone);
    EXPECT_EQ(c.generation(), t.sync == Sync::None ? 0u : 1u);
}

INSTANTIATE_TEST_SUITE_P(
    CommandsAndSyncs, ReloadUnderQuestion,
    ::testing::Values(ReloadCase{Command::Remove, Sync::None, {"Hills"}, false},
                      ReloadCase{Command::Remove, Sync::PhotoMoved, {"Synced", "Hills"}, false},
                      ReloadCase{Command::Remove, Sync::PhotoGone, {"Synced", "Hills"}, true},
                      ReloadCase{Command::Details, Sync::None, {"Renamed", "Hills"}, false},
                      ReloadCase{Command::Details, Sync::PhotoMoved, {"Synced", "Renamed", "Hills"}, false},
                      ReloadCase{Command::Details, Sync::PhotoGone, {"Synced", "Hills"}, true},
                      ReloadCase{Command::Intake, Sync::None, {"Beach", "Hills", "New"}, false},
                      ReloadCase{Command::Intake, Sync::PhotoMoved, {"Synced", "Beach", "Hills", "New"}, false},
                      ReloadCase{Command::Intake, Sync::PhotoGone, {"Synced", "Hills", "New"}, false}));

// Details, Edit Categories, New "Family"; meanwhile the synchronisation adds
// "Travel" with a photo in it; then OK, OK: both categories are kept, and
// each photo is filed where its side put it.
TEST_F(Controller, CategoryEditsUnderAReloadLandOnTheReloadedTable)
{
    writeAlbum({{"Beach", 0}}, false);
    c.start();
    const std::optional<PhotoTicket> ticket = c.detailsTicket();
    ASSERT_TRUE(ticket);
    CategoryEditor dialog(ticket->header);
    dialog.create(3, "Family");
    PhotoRecord edited = c.album().records[0];
    edited.category = 3;
    writeAlbum({{"Beach", 0}, {"Synced", 5, 3}});
    c.requestReload(false);
    c.applyDetails(*ticket, dialog.working(), edited, true);

    Album saved;
    saved.loadAlbum(folder, boxes);
    ASSERT_EQ(saved.count, 2);
    EXPECT_EQ(saved.categoryName(saved.records[0].category), "Family");
    EXPECT_EQ(saved.categoryName(saved.records[1].category), "Travel");
}

// The synchronisation changed the user while the editor was open: the
// picture it wrote into Ann's folder goes into Ann's album, not Bob's.
TEST_F(Controller, APictureGoesToTheAlbumOfTheFolderItWasWrittenTo)
{
    writeAlbum({{"Beach", 0}});
    c.start();
    fs::create_directories(palm / "bob" / "Handfolio");
    ASSERT_TRUE(c.switchUser(c.users().findExact("Bob")));
    touch(folder / "p3.bmp");
    EXPECT_TRUE(c.fileNewPicture({"ForAnn", folder / "p3.bmp", 3, {}}));
    EXPECT_EQ(namesOnDisk(), (std::vector<std::string>{"Beach", "ForAnn"}));
    EXPECT_EQ(c.album().count, 0) << "Bob's album is left alone";
    EXPECT_EQ(boxes.shown.back().rfind("Add Photo: The new picture was filed in the album of handheld user Ann", 0),
              0u);
}

struct IntakeCase {
    const char* name;
    const char* filter;
    bool full;
    bool folderGone;
    bool filed;
    int category;      // of the new record, when filed
    const char* told;  // the caption of the one message, or empty
};

class Intake : public Controller, public ::testing::WithParamInterface<IntakeCase> {};

TEST_P(Intake, FilesUnderTheFilterOrSaysWhyNot)
{
    const IntakeCase& t = GetParam();
    writeAlbum({{"One", 0, 2}});
    c.start();
    c.finishStart();
    ASSERT_TRUE(c.chooseFilter(c.filterEntries().findExact(t.filter)) || std::string(t.filter) == "All");
    if (t.full)
        c.album().count = kMaxRecords;
    if (t.folderGone)
        fs::remove_all(palm / "ann");
    const int before = c.album().count;

    EXPECT_EQ(c.refuseWhenFull(), t.full);
    boxes.shown.clear();
    EXPECT_EQ(c.fileNewPicture({"Two", folder / "p1.bmp", 1, {}}), t.filed);
    ASSERT_EQ(boxes.shown.size(), *t.told ? 1u : 0u);
    if (*t.told) {
        EXPECT_EQ(boxes.shown[0].substr(0, boxes.shown[0].find(':')), t.told);
    }
    if (!t.filed) {
        EXPECT_EQ(c.album().count, before);
        return;
    }
    const PhotoRecord& added = c.album().records[static_cast<std::size_t>(before)];
    EXPECT_EQ(added.category, t.category);
    EXPECT_EQ(fieldText(added.userName), "Ann");
    ASSERT_GE(c.selectedRow(), 0);
    EXPECT_EQ(c.recordOfRow(c.selectedRow()), before) << "the new photo is listed and selected";
    EXPECT_EQ(c.commands().name, "Two");
}

INSTANTIATE_TEST_SUITE_P(Cases, Intake,
                         ::testing::Values(IntakeCase{"AllFilesUnfiled", "All", false, false, true, 0, ""},
                                           IntakeCase{"FilterCategory", "Business", false, false, true, 2, ""},
                                           IntakeCase{"OtherCategory", "Travel", false, false, true, 3, ""},
                                           IntakeCase{"Full", "All", true, false, false, 0, "Add Photo"},
                                           // The record stays in memory for the next save that works.
                                           IntakeCase{"FolderGone", "All", false, true, true, 0, "Error"}),
                         [](const auto& info) { return std::string(info.param.name); });

struct CommandsCase {
    const char* name;
    int photos;
    int select;  // -1: none
    bool full;
    bool remove, up, down, canAdd;
    const char* label;
};

class Commands : public Controller, public ::testing::WithParamInterface<CommandsCase> {};

TEST_P(Commands, FollowTheRowsTheSelectionAndTheRoomLeft)
{
    const CommandsCase& t = GetParam();
    const char* names[] = {"A", "B", "C"};
    Album album;
    for (int i = 0; i < t.photos; ++i) {
        touch(folder / ("p" + std::to_string(i) + ".bmp"));
        album.appendRecord(names[i], folder / ("p" + std::to_string(i) + ".bmp"), 3, 0, "Ann");
    }
    if (t.full) {
        for (int i = album.count; i < kMaxRecords; ++i)
            album.records[static_cast<std::size_t>(i)].deleted = 1;
        album.count = kMaxRecords;
    }
    ASSERT_TRUE(album.saveAlbum(folder, boxes));
    c.start();
    if (t.select >= 0)
        c.selectRow(t.select);
    const CommandState& s = c.commands();
    EXPECT_EQ(s.remove, t.remove);
    EXPECT_EQ(s.details, t.remove);
    EXPECT_EQ(s.moveUp, t.up);
    EXPECT_EQ(s.moveDown, t.down);
    EXPECT_EQ(s.canAdd, t.canAdd);
    EXPECT_EQ(c.sourceCommandEnabled(kAddPhotoCommand), t.canAdd);
    EXPECT_TRUE(c.sourceCommandEnabled(32779)) << "the other sources check for themselves";
    EXPECT_EQ(s.name, t.label);
    c.setCommandBlocked(32779, true);
    EXPECT_FALSE(c.sourceCommandEnabled(32779));
    EXPECT_EQ(c.preview().emptyText, t.photos == 0 ? "Click 'Add Photo'" : "");
}

INSTANTIATE_TEST_SUITE_P(Cases, Commands,
                         ::testing::Values(CommandsCase{"Empty", 0, -1, false, false, false, false, true, ""},
                                           CommandsCase{"First", 3, 0, false, true, false, true, true, "A"},
                                           CommandsCase{"Middle", 3, 1, false, true, true, true, true, "B"},
                                           CommandsCase{"Last", 3, 2, false, true, true, false, true, "C"},
                                           CommandsCase{"Full", 1, 0, true, true, false, false, false, "A"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

namespace {

// Runs work in a process of its own, as a second copy of the program would;
// true when it returned true there.
bool inAnotherProcess(const std::function<bool()>& work)
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(work() ? 0 : 1);
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

class TwoPrograms : public Controller, public ::testing::WithParamInterface<bool> {};

// Program A has the album open; program B, started meanwhile, may look but
// not write (and its exit writes nothing). Once A has gone, B's photo joins
// A's, and never under the picture number of one A removed.
TEST_P(TwoPrograms, TheSecondWaitsForTheFirstAndNothingIsLost)
{
    const bool removeFirst = GetParam();
    writeAlbum({{"Beach", 0}}, false);
    auto a = std::make_unique<AlbumController>(desktop, profile, boxes);
    a->start();
    const std::string holder = "Handfolio (process " + std::to_string(::getpid()) + " on ";
    touch(folder / "p1.bmp");
    ASSERT_TRUE(a->fileNewPicture({"FromA", folder / "p1.bmp", 3, {}}));
    const FileIdentity before = identityOf(folder / "Photos.dat");

    EXPECT_TRUE(inAnotherProcess([&] {
        AnsweringBoxes told;
        AlbumController b(desktop, profile, told);
        b.start();
        b.finishStart();
        const bool refused = b.readOnly() && b.refuseWhenFull() && !b.commands().canAdd &&
                             !b.sourceCommandEnabled(32779) && !b.removePhoto();
        b.closeAlbum();
        return refused && told.shown.size() == 3 && told.shown[0].find(holder) != std::string::npos;
    })) << "B is read-only and says who has the album";
    EXPECT_EQ(identityOf(folder / "Photos.dat"), before) << "B's exit wrote nothing";

    if (removeFirst) {
        a->selectRow(0);
        boxes.meanwhile = nullptr;
        ASSERT_TRUE(a->removePhoto() || a->rowCount() == 1);
        EXPECT_FALSE(fs::exists(folder / "p0.bmp"));
    }
    a->closeAlbum();
    a.reset();

    EXPECT_TRUE(inAnotherProcess([&] {
        AnsweringBoxes told;
        AlbumController b(desktop, profile, told);
        b.start();
        const std::set<int> taken = b.takenPictureNumbers();
        const int free = taken.empty() ? 0 : *taken.rbegin() + 1;
        touch(folder / ("p" + std::to_string(free) + ".bmp"));
        return !b.readOnly() && taken.contains(0) &&
               b.fileNewPicture({"FromB", folder / ("p" + std::to_string(free) + ".bmp"), 3, {}});
    }));
    const std::vector<std::string> expected =
        removeFirst ? std::vector<std::string>{"FromA", "FromB"} : std::vector<std::string>{"Beach", "FromA", "FromB"};
    EXPECT_EQ(namesOnDisk(), expected);
    Album saved;
    saved.loadAlbum(folder, boxes);
    std::set<std::string> paths;
    for (int i = 0; i < saved.count; ++i)
        paths.insert(std::string(fieldText(saved.records[static_cast<std::size_t>(i)].picturePath)));
    EXPECT_EQ(paths.size(), std::size_t(saved.count)) << "no two records name one picture file";
}

INSTANTIATE_TEST_SUITE_P(RemoveFirst, TwoPrograms, ::testing::Bool());

enum class Change { Remove, Intake, Move, RaceBeforeSave, Exit };

class ReplacedAlbum : public Controller, public ::testing::WithParamInterface<Change> {};

// The synchronisation rewrites Photos.dat and its reload has not come yet:
// a change is made to the album it wrote, never over it. Should it come
// between a change and its save, this program's album is kept beside it.
TEST_P(ReplacedAlbum, ASaveNeverOverwritesWhatAnotherProgramWrote)
{
    writeAlbum({{"Beach", 0}, {"Hills", 1}});
    c.start();
    c.finishStart();
    writeAlbum({{"Beach", 0}, {"Hills", 1}, {"Synced", 5}});
    std::vector<std::string> expected{"Beach", "Hills", "Synced"};
    switch (GetParam()) {
    case Change::Remove:
        c.selectRow(1);
        c.removePhoto();
        expected = {"Beach", "Synced"};
        EXPECT_FALSE(fs::exists(folder / "p1.bmp"));
        break;
    case Change::Intake:
        touch(folder / "p7.bmp");
        EXPECT_TRUE(c.fileNewPicture({"New", folder / "p7.bmp", 3, {}}));
        expected.emplace_back("New");
        break;
    case Change::Move:
        c.selectRow(0);
        c.movePhoto(1);
        EXPECT_NE(boxes.shown.back().find("Nothing was moved"), std::string::npos);
        break;
    case Change::RaceBeforeSave:
        copyField(c.album().records[0].pictureName, "Mine");
        EXPECT_FALSE(c.saveAlbum());
        EXPECT_NE(boxes.shown.back().find(folder.string() + "/Photos.dat.mine"), std::string::npos);
        ASSERT_TRUE(fs::exists(folder / "Photos.dat.mine"));
        break;
    case Change::Exit:
        c.closeAlbum();
        break;
    }
    EXPECT_EQ(namesOnDisk(), expected);
    EXPECT_EQ(fs::exists(folder / "Photos.dat.mine"), GetParam() == Change::RaceBeforeSave);
    if (GetParam() != Change::Exit) {
        EXPECT_EQ(c.rowCount(), int(expected.size())) << "the album on disk is the one shown";
    }
}

INSTANTIATE_TEST_SUITE_P(Changes, ReplacedAlbum,
                         ::testing::Values(Change::Remove, Change::Intake, Change::Move, Change::RaceBeforeSave,
                                           Change::Exit));

}  // namespace
