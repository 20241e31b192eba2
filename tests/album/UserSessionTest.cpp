#include "UserSession.h"
#include "AlbumTestUtil.h"
#include "FileHandheldDesktop.h"
#include "RecordingMessageBoxes.h"

#include <gtest/gtest.h>

#include <map>

namespace fs = std::filesystem;
using namespace hf;
using namespace hf::test;

namespace {

SortedList listOf(std::initializer_list<const char*> names)
{
    SortedList list;
    for (const char* n : names)
        list.add(n);
    return list;
}

TEST(ChooseUser, PrefixSearchThenExactComparison)
{
    const SortedList both = listOf({"Anne", "Ann", "Bob"});
    EXPECT_EQ(both[0], "Ann");
    EXPECT_EQ(both[chooseUser(both, "Ann")], "Ann");
    EXPECT_EQ(both[chooseUser(both, "Anne")], "Anne");
    EXPECT_EQ(both[chooseUser(both, "Bob")], "Bob");

    const SortedList onlyAnne = listOf({"Zed", "Anne"});
    EXPECT_EQ(chooseUser(onlyAnne, "Ann"), 0) << "the longer name matched the prefix only";
    EXPECT_EQ(onlyAnne[0], "Anne");

    const SortedList cased = listOf({"bob", "Carl"});
    EXPECT_EQ(chooseUser(cased, "Bob"), 0) << "prefix search ignores case, the comparison does not";
    EXPECT_EQ(cased[chooseUser(cased, "Carl")], "Carl");

    EXPECT_EQ(chooseUser(listOf({"Bob", "Carl"}), ""), 0);
    EXPECT_EQ(chooseUser(SortedList{}, "Ann"), -1);
}

TEST(SortedListOrder, IgnoresCaseAndKeepsEarlierEqualsFirst)
{
    const SortedList list = listOf({"All", "business", "Allsorts", "all", "Émile", "Zoë"});
    EXPECT_EQ(list.items(), (std::vector<std::string>{"All", "all", "Allsorts", "business", "Zoë", "Émile"}));
    EXPECT_EQ(list.findPrefix("all"), 0);
    EXPECT_EQ(list.findPrefix("ALLS"), 2);
    EXPECT_EQ(list.findPrefix("émi"), 5);
    EXPECT_EQ(list.findPrefix("x"), -1);
}

// A handheld desktop that answers from a table and records each call.
class FakeDesktop : public HandheldDesktop {
public:
    std::vector<std::pair<std::string, fs::path>> users;
    int userCount() override { return static_cast<int>(users.size()); }
    std::string userName(int index) override { return users[static_cast<std::size_t>(index)].first; }
    fs::path userFolder(std::string_view name) override
    {
        for (auto& [n, f] : users)
            if (n == name)
                return f;
        return {};
    }
    std::string creatorFolder(std::string_view id) override { return id == "Wz4k" ? "Handfolio" : ""; }
};

class Session : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directory(dir / "ann");
        fs::create_directory(dir / "bob");
        desktop.users = {{"Bob", dir / "bob"}, {"Ann", dir / "ann"}};
    }
    TempDir dir;
    FakeDesktop desktop;
    MemoryProfile profile;
    RecordingMessageBoxes boxes;
    std::unique_ptr<Album> album = std::make_unique<Album>();
    UserSession session{desktop, profile, boxes, *album};
};

TEST_F(Session, StartsWithTheRememberedUserAndCreatesItsFolder)
{
    profile.setString("Prefs", "PrevUser", "Bob");
    session.readRememberedUser();
    session.fillUserList();
    session.findProgramFolder();
    EXPECT_EQ(session.currentUser(), "Bob");
    EXPECT_EQ(session.programFolder(), dir / "bob" / "Handfolio");
    EXPECT_TRUE(fs::is_directory(dir / "bob" / "Handfolio"));
    session.loadAlbum();
    EXPECT_EQ(album->count, 0);
    EXPECT_EQ(album->categoryName(2), "Business");
}

TEST_F(Session, UnknownRememberedUserFallsBackToTheFirstWithoutRewritingTheProfile)
{
    profile.setString("Prefs", "PrevUser", "Carol");
    const int writes = profile.writes();
    session.readRememberedUser();
    session.fillUserList();
    EXPECT_EQ(session.currentUser(), "Ann");
    EXPECT_EQ(profile.getString("Prefs", "PrevUser", ""), "Carol");
    EXPECT_EQ(profile.writes(), writes);
}

TEST_F(Session, SwitchingSavesTheOldAlbumIntoTheOldFolderFirst)
{
    session.fillUserList();
    session.findProgramFolder();
    ASSERT_EQ(session.currentUser(), "Ann");
    session.loadAlbum();
    touch(session.programFolder() / "p0.bmp");
    album->appendRecord("Ann's photo", session.programFolder() / "p0.bmp", 1, 0, "Ann");

    session.switchUser(session.users().findExact("Bob"));
    EXPECT_EQ(session.currentUser(), "Bob");
    EXPECT_EQ(profile.getString("Prefs", "PrevUser", ""), "Bob") << "remembered at once";
    EXPECT_EQ(album->count, 0) << "Bob's album is new";
    EXPECT_TRUE(fs::is_directory(dir / "bob" / "Handfolio"));
    EXPECT_EQ(fs::file_size(dir / "ann" / "Handfolio" / "Photos.dat"), 384u + 360u);

    session.switchUser(session.users().findExact("Ann"));
    ASSERT_EQ(album->count, 1);
    EXPECT_EQ(fieldText(album->records[0].pictureName), "Ann's photo");
    EXPECT_TRUE(fs::exists(dir / "bob" / "Handfolio" / "Photos.dat")) << "Bob's album saved on the way out";
}

TEST_F(Session, SwitchRepairsTheNewAlbumsCategories)
{
    session.fillUserList();
    session.findProgramFolder();
    fs::create_directories(dir / "bob" / "Handfolio");
    touch(dir / "bob" / "Handfolio" / "p0.bmp");
    writeFile(dir / "bob" / "Handfolio" / "Photos.dat",
              albumBytes(defaultHeader(), {makeRecord("Odd", dir / "bob" / "Handfolio" / "p0.bmp", 0, 9)}));
    session.switchUser(session.users().findExact("Bob"));
    ASSERT_EQ(album->count, 1);
    EXPECT_EQ(album->records[0].category, 0);
    EXPECT_EQ(album->records[0].modified, 1);
}

TEST(FileDesktop, FirstStartWritesOneUserThatWorksAtOnce)
{
    TempDir dir;
    FileHandheldDesktop desktop(dir / "Palm");
    ASSERT_EQ(desktop.userCount(), 1);
    const std::string user = desktop.userName(0);
    EXPECT_FALSE(user.empty());
    EXPECT_TRUE(fs::is_directory(desktop.userFolder(user)));
    EXPECT_EQ(desktop.creatorFolder("Wz4k"), "Handfolio");
    EXPECT_TRUE(fs::exists(dir / "Palm" / "users.ini"));

    FileHandheldDesktop again(dir / "Palm");
    EXPECT_EQ(again.userCount(), 1);
    EXPECT_EQ(again.userName(0), user);
    EXPECT_EQ(again.userFolder(user), desktop.userFolder(user));
}

TEST(FileDesktop, ReadsUsersFoldersAndCreators)
{
    TempDir dir;
    TempDir elsewhere;
    const fs::path unplugged = elsewhere / "unplugged" / "bob";
    // Written by an editor that starts the file with a UTF-8 byte-order mark.
    writeFile(dir / "users.ini", "\xEF\xBB\xBF; users\r\n[Users]\r\nCount=4\r\nUser0=Ann = Smith\r\nFolder0=AnnS\r\n"
                                 "User1=Bob\r\nFolder1=" +
                                     unplugged.string() +
                                     "\r\nUser2=\r\nFolder2=x\r\n"
                                     "User3=Cy\r\nFolder3=" +
                                     elsewhere.path().string() + "\r\n[Creators]\r\nWz4k=Pictures\r\n");
    FileHandheldDesktop desktop(dir.path());
    ASSERT_EQ(desktop.userCount(), 3) << "an entry without a name is skipped";
    EXPECT_EQ(desktop.userName(0), "Ann = Smith");
    EXPECT_EQ(desktop.userName(5), "");
    EXPECT_EQ(desktop.creatorFolder("Wz4k"), "Pictures");

    // A missing folder below the desktop folder is made; nothing else makes it.
    EXPECT_EQ(desktop.userFolder("Ann = Smith"), dir / "AnnS");
    EXPECT_TRUE(fs::is_directory(dir / "AnnS"));
    // A missing folder elsewhere is a drive that is not there: no folder.
    EXPECT_EQ(desktop.userFolder("Bob"), fs::path());
    EXPECT_FALSE(fs::exists(unplugged.parent_path()));
    EXPECT_EQ(desktop.userFolder("Cy"), elsewhere.path());
    EXPECT_EQ(desktop.userFolder("Nobody"), fs::path());

    // A synchronisation that rewrites the list is seen after a refresh.
    writeFile(dir / "users.ini", "[Users]\nCount=1\nUser0=Dee\nFolder0=dee\n[Creators]\nWz4k=Pictures\n");
    desktop.refresh();
    ASSERT_EQ(desktop.userCount(), 1);
    EXPECT_EQ(desktop.userName(0), "Dee");
}

}  // namespace
