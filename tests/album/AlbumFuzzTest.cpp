#include "AlbumTestUtil.h"
#include "RecordingMessageBoxes.h"

#include <gtest/gtest.h>

#include <random>

namespace fs = std::filesystem;
using namespace hf;
using namespace hf::test;

namespace {

// Thousands of random, truncated and bit-flipped album files: every one loads
// into a consistent album and saves again. Run under AddressSanitizer in CI,
// this is what catches reads past a field or the record array.
TEST(AlbumRobustness, RandomAndDamagedFilesLoadAndSave)
{
    TempDir dir;
    RecordingMessageBoxes boxes;
    auto album = std::make_unique<Album>();
    std::mt19937 rng(20261208);

    touch(dir / "p0.bmp");
    std::string valid =
        albumBytes(defaultHeader(), {makeRecord("A", dir / "p0.bmp", 3, 2), makeRecord("B", dir / "p1.bmp", 1, 200, 1),
                                     makeRecord("C", dir / "p0.bmp", -7, -1)});

    for (int round = 0; round < 3000; ++round) {
        std::string bytes;
        switch (round % 3) {
        case 0: {  // pure noise of any length up to a few records
            bytes.resize(std::uniform_int_distribution<std::size_t>(0, 384 + 5 * 360)(rng));
            for (char& c : bytes)
                c = static_cast<char>(rng());
            break;
        }
        case 1:  // a valid album cut anywhere
            bytes = valid.substr(0, std::uniform_int_distribution<std::size_t>(0, valid.size())(rng));
            break;
        default: {  // a valid album with flipped bytes, fields left without terminators
            bytes = valid;
            const int flips = std::uniform_int_distribution<int>(1, 64)(rng);
            for (int f = 0; f < flips; ++f)
                bytes[std::uniform_int_distribution<std::size_t>(0, bytes.size() - 1)(rng)] =
                    static_cast<char>(rng() | 1);
            break;
        }
        }
        writeFile(dir / "Photos.dat", bytes);
        album->loadAlbum(dir.path(), boxes);
        ASSERT_GE(album->count, 0);
        ASSERT_LE(album->count, kMaxRecords);
        for (int i = 0; i < album->count; ++i) {
            const PhotoRecord& r = album->records[static_cast<std::size_t>(i)];
            ASSERT_LE(fieldText(r.pictureName).size(), sizeof r.pictureName);
            (void)album->categoryName(r.category);
        }
        for (int i = 0; i + 1 < album->count; ++i)
            ASSERT_LE(album->records[static_cast<std::size_t>(i)].position,
                      album->records[static_cast<std::size_t>(i + 1)].position)
                << "sorted by position";
        album->repairCategories();
        for (int i = 0; i < album->count; ++i)
            ASSERT_LT(album->records[static_cast<std::size_t>(i)].category & 0xFF, kCategorySlots);
        ASSERT_TRUE(album->saveAlbum(dir.path(), boxes));
        ASSERT_EQ(fs::file_size(dir / "Photos.dat"), 384u + 360u * static_cast<std::size_t>(album->count));
        for (const auto& entry : fs::directory_iterator(dir.path()))
            if (entry.path().filename().string().rfind("Photos.dat.unreadable", 0) == 0)
                fs::remove(entry.path());
    }
}

}  // namespace
