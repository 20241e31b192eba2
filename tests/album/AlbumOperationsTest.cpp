#include "AlbumTestUtil.h"
#include "RecordingMessageBoxes.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace hf;
using namespace hf::test;

namespace {

class AlbumOps : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (int i = 0; i < 3; ++i) {
            const fs::path p = dir / ("p" + std::to_string(i) + ".bmp");
            touch(p);
            ASSERT_EQ(album->appendRecord("Photo" + std::to_string(i), p, 1, 0, "Ann"), Album::AppendResult::Appended);
        }
        ASSERT_TRUE(album->saveAlbum(dir.path(), boxes));
    }
    TempDir dir;
    RecordingMessageBoxes boxes;
    std::unique_ptr<Album> album = std::make_unique<Album>();
};

TEST_F(AlbumOps, AppendFillsTheRecordAndTheSaveGivesItThePosition)
{
    const PhotoRecord& r = album->records[2];
    EXPECT_EQ(r.syncKey, 0);
    EXPECT_EQ(fieldText(r.pictureName), "Photo2");
    EXPECT_EQ(fieldText(r.userName), "Ann");
    EXPECT_EQ(recordPath(r), dir / "p2.bmp");
    EXPECT_EQ(r.colourMode, 1);
    EXPECT_EQ(r.privateFlag, 0);
    EXPECT_EQ(r.deleted, 0);
    EXPECT_EQ(r.modified, 1);
    EXPECT_EQ(r.position, 2);
}

TEST_F(AlbumOps, RemovingKeepsTheRecordAndDeletesThePicture)
{
    album->removeRecord(1, dir.path());
    EXPECT_EQ(album->count, 3);
    EXPECT_FALSE(fs::exists(dir / "p1.bmp"));
    EXPECT_TRUE(fs::exists(dir / "p0.bmp"));
    album->records[2].modified = 0;
    ASSERT_TRUE(album->saveAlbum(dir.path(), boxes));

    album->loadAlbum(dir.path(), boxes);
    ASSERT_EQ(album->count, 3);
    EXPECT_TRUE(boxes.shown().empty());
    // After the sort: "Photo0" 0, the removed one keeps 1, "Photo2" now 1 as well.
    int removed = -1;
    for (int i = 0; i < 3; ++i)
        if (album->records[static_cast<std::size_t>(i)].deleted)
            removed = i;
    ASSERT_GE(removed, 0);
    EXPECT_EQ(album->records[static_cast<std::size_t>(removed)].position, 1);
    for (int i = 0; i < 3; ++i) {
        const PhotoRecord& r = album->records[static_cast<std::size_t>(i)];
        if (fieldText(r.pictureName) == "Photo2") {
            EXPECT_EQ(r.position, 1);
            EXPECT_EQ(r.modified, 1) << "its place changed";
        }
    }
}

TEST_F(AlbumOps, ExchangeSwapsAllBytesAndSaveMarksMovedRecords)
{
    album->records[0].modified = 0;
    album->records[1].modified = 0;
    album->records[2].modified = 0;
    album->records[2].privateFlag = 1;
    album->exchangeRecords(0, 2);
    EXPECT_EQ(fieldText(album->records[0].pictureName), "Photo2");
    EXPECT_EQ(album->records[0].privateFlag, 1);
    ASSERT_TRUE(album->saveAlbum(dir.path(), boxes));
    EXPECT_EQ(album->records[0].position, 0);
    EXPECT_EQ(album->records[0].modified, 1);
    EXPECT_EQ(album->records[1].modified, 0) << "record 1 kept its place";
    EXPECT_EQ(album->records[2].modified, 1);
}

TEST_F(AlbumOps, RepairSendsEmptyAndOutOfRangeCategoriesToUnfiled)
{
    album->header.categoryNames[2][0] = '\0';  // "Business" gone
    album->records[0].category = 2;
    album->records[1].category = 0x110;  // low 8 bits 16
    album->records[2].category = 0x101;  // low 8 bits 1: "Personal" still exists
    album->records[2].deleted = 1;
    for (auto& r : album->records)
        r.modified = 0;
    album->repairCategories();
    EXPECT_EQ(album->records[0].category, 0);
    EXPECT_EQ(album->records[0].modified, 1);
    EXPECT_EQ(album->records[1].category, 0);
    EXPECT_EQ(album->records[1].modified, 1);
    EXPECT_EQ(album->records[2].category, 0x101) << "only the low 8 bits are checked";
    EXPECT_EQ(album->records[2].modified, 0);
}

TEST_F(AlbumOps, CategoryLookUpsAreExact)
{
    EXPECT_EQ(album->categoryName(1), "Personal");
    EXPECT_EQ(album->categoryName(0x102), "Business") << "index taken as its low 8 bits";
    EXPECT_EQ(album->categoryName(16), "");
    EXPECT_EQ(album->categoryName(-1), "");
    EXPECT_EQ(album->findCategory("Personal"), 1);
    EXPECT_FALSE(album->findCategory("personal"));
    EXPECT_FALSE(album->findCategory("Person"));
}

TEST_F(AlbumOps, AppendRefusesAtCapacityAndLongPaths)
{
    album->count = kMaxRecords;
    EXPECT_EQ(album->appendRecord("X", dir / "p9.bmp", 1, 0, "Ann"), Album::AppendResult::Full);
    EXPECT_EQ(album->count, kMaxRecords);
    album->count = 3;
    const fs::path longPath = dir / (std::string(300, 'a') + ".bmp");
    EXPECT_EQ(album->appendRecord("X", longPath, 1, 0, "Ann"), Album::AppendResult::PathTooLong);
    EXPECT_EQ(album->count, 3);
}

TEST_F(AlbumOps, LongNamesAreCutInsideTheirFields)
{
    const std::string user(80, 'U');
    ASSERT_EQ(album->appendRecord(std::string(30, 'N'), dir / "p3.bmp", 2, 0, user), Album::AppendResult::Appended);
    const PhotoRecord& r = album->records[3];
    EXPECT_EQ(fieldText(r.userName), std::string(49, 'U'));
    EXPECT_EQ(r.userName[49], '\0');
    EXPECT_EQ(fieldText(r.pictureName), std::string(15, 'N'));
}

}  // namespace
