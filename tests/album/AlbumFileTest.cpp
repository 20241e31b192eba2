#include "AlbumTestUtil.h"
#include "RecordingMessageBoxes.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using namespace hf;
using namespace hf::test;

namespace {

class AlbumFile : public ::testing::Test {
protected:
    TempDir dir;
    RecordingMessageBoxes boxes;
    std::unique_ptr<Album> album = std::make_unique<Album>();
    fs::path file() const { return dir / "Photos.dat"; }
};

TEST_F(AlbumFile, MissingFileGivesDefaultAlbumAndFirstSaveWritesDefaultHeader)
{
    album->loadAlbum(dir.path(), boxes);
    EXPECT_EQ(album->count, 0);
    EXPECT_EQ(album->categoryName(0), "Unfiled");
    EXPECT_EQ(album->categoryName(1), "Personal");
    EXPECT_EQ(album->categoryName(2), "Business");
    EXPECT_EQ(album->categoryName(3), "");
    EXPECT_TRUE(boxes.shown().empty());

    ASSERT_TRUE(album->saveAlbum(dir.path(), boxes));
    const std::string bytes = readFile(file());
    ASSERT_EQ(bytes.size(), 384u);
    EXPECT_EQ(int32At(bytes, 0), 384);
    EXPECT_EQ(int32At(bytes, 4), 2);
    EXPECT_EQ(int32At(bytes, 8), 5);
    EXPECT_EQ(bytes[12], '\0');  // no model chosen yet
    EXPECT_EQ(static_cast<unsigned char>(bytes[52]), 0xFF);
    EXPECT_EQ(static_cast<unsigned char>(bytes[53]), 0xFF);
    EXPECT_EQ(std::string(bytes.data() + 54), "Unfiled");
    EXPECT_EQ(std::string(bytes.data() + 54 + 16), "Personal");
    EXPECT_EQ(std::string(bytes.data() + 54 + 32), "Business");
    for (std::size_t slot = 3; slot < 16; ++slot)
        EXPECT_EQ(bytes[54 + slot * 16], '\0') << slot;
    for (int slot = 0; slot < 16; ++slot)
        EXPECT_EQ(int32At(bytes, 312 + 4 * static_cast<std::size_t>(slot)), slot);
    EXPECT_EQ(int32At(bytes, 376), 128);
    EXPECT_EQ(int32At(bytes, 380), 0);
    EXPECT_EQ(bytes[310], '\0');
    EXPECT_EQ(bytes[311], '\0');
}

TEST_F(AlbumFile, RecordsRoundTripByteForByteAndUnknownFieldsAreCarried)
{
    AlbumHeader header = defaultHeader();
    copyField(header.lastModel, "Palm IIIc");
    header.reserved1[0] = 0x5A;
    header.reserved2[3] = 0x7E;
    touch(dir / "p0.bmp");
    PhotoRecord r = makeRecord("Beach", dir / "p0.bmp", 0, 2);
    r.privateFlag = 7;
    writeFile(file(), albumBytes(header, {r}));

    album->loadAlbum(dir.path(), boxes);
    ASSERT_EQ(album->count, 1);
    ASSERT_TRUE(album->saveAlbum(dir.path(), boxes));
    const std::string bytes = readFile(file());
    ASSERT_EQ(bytes.size(), 384u + 360u);
    EXPECT_EQ(bytes, albumBytes(header, {r})) << "position already 0, so nothing may change";
    EXPECT_EQ(int32At(bytes, 384 + 0), 0x1234);
}

TEST_F(AlbumFile, TrailingPartialRecordIsIgnoredAndDroppedBySave)
{
    touch(dir / "p0.bmp");
    touch(dir / "p1.bmp");
    std::string bytes =
        albumBytes(defaultHeader(), {makeRecord("One", dir / "p0.bmp", 0), makeRecord("Two", dir / "p1.bmp", 1)});
    bytes.append(123, 'x');
    writeFile(file(), bytes);

    album->loadAlbum(dir.path(), boxes);
    EXPECT_EQ(album->count, 2);
    EXPECT_FALSE(album->damagedFile()) << "a partial record is expected, not damage";
    ASSERT_TRUE(album->saveAlbum(dir.path(), boxes));
    EXPECT_EQ(fs::file_size(file()), 384u + 2 * 360u);
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(AlbumFile, LoadSortsByPositionAndSaveRenumbersMarkingModified)
{
    for (const char* p : {"p0.bmp", "p1.bmp", "p2.bmp"})
        touch(dir / p);
    writeFile(file(),
              albumBytes(defaultHeader(), {makeRecord("Five", dir / "p0.bmp", 5), makeRecord("Two", dir / "p1.bmp", 2),
                                           makeRecord("Nine", dir / "p2.bmp", 9)}));
    album->loadAlbum(dir.path(), boxes);
    ASSERT_EQ(album->count, 3);
    EXPECT_EQ(fieldText(album->records[0].pictureName), "Two");
    EXPECT_EQ(fieldText(album->records[1].pictureName), "Five");
    EXPECT_EQ(fieldText(album->records[2].pictureName), "Nine");
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(album->records[static_cast<std::size_t>(i)].modified, 0);

    ASSERT_TRUE(album->saveAlbum(dir.path(), boxes));
    album->loadAlbum(dir.path(), boxes);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(album->records[static_cast<std::size_t>(i)].position, i);
        EXPECT_EQ(album->records[static_cast<std::size_t>(i)].modified, 1);
    }
}

TEST_F(AlbumFile, EqualPositionsAreNeverExchanged)
{
    for (const char* p : {"p0.bmp", "p1.bmp", "p2.bmp"})
        touch(dir / p);
    // The album's exchange sort is not stable: "First" is exchanged with "Zero"
    // and so ends up after "Second", although both have position 1.
    writeFile(file(), albumBytes(defaultHeader(),
                                 {makeRecord("First", dir / "p0.bmp", 1), makeRecord("Second", dir / "p1.bmp", 1),
                                  makeRecord("Zero", dir / "p2.bmp", 0)}));
    album->loadAlbum(dir.path(), boxes);
    EXPECT_EQ(fieldText(album->records[0].pictureName), "Zero");
    EXPECT_EQ(fieldText(album->records[1].pictureName), "Second");
    EXPECT_EQ(fieldText(album->records[2].pictureName), "First");
}

TEST_F(AlbumFile, DeletedRecordsKeepTheirPositionAndAreStillWritten)
{
    for (const char* p : {"p0.bmp", "p2.bmp"})
        touch(dir / p);
    writeFile(file(), albumBytes(defaultHeader(),
                                 {makeRecord("A", dir / "p0.bmp", 0), makeRecord("Gone", dir / "p1.bmp", 1, 0, 1),
                                  makeRecord("C", dir / "p2.bmp", 2)}));
    album->loadAlbum(dir.path(), boxes);
    EXPECT_TRUE(boxes.shown().empty()) << "a removed photo's missing file is no news";
    ASSERT_TRUE(album->saveAlbum(dir.path(), boxes));
    const std::string bytes = readFile(file());
    ASSERT_EQ(bytes.size(), 384u + 3 * 360u);
    EXPECT_EQ(int32At(bytes, 384 + 360 + 356), 1);
    EXPECT_EQ(int32At(bytes, 384 + 360 + 348), 1);
    EXPECT_EQ(int32At(bytes, 384 + 720 + 356), 1) << "C moves up to position 1";
    EXPECT_EQ(int32At(bytes, 384 + 720 + 344), 1);
}

TEST_F(AlbumFile, MissingPicturesAreReportedOnceWithTheExactText)
{
    writeFile(file(),
              albumBytes(defaultHeader(), {makeRecord("A", dir / "p0.bmp", 0), makeRecord("B", dir / "p1.bmp", 1)}));
    album->loadAlbum(dir.path(), boxes);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text,
              "There were some pictures missing from the PC.\nYou may be able to recover them by setting HotSync "
              "to 'Handheld overwrites Desktop' for Handfolio.");
    EXPECT_EQ(boxes.shown()[0].caption, "Handfolio - Missing Pictures");
    EXPECT_EQ(boxes.shown()[0].style, MsgStyle::Ok);
    EXPECT_EQ(album->count, 2) << "the records stay";
}

}  // namespace
