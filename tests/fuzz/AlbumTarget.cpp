// Photos.dat as the synchronisation or another machine may leave it: what
// one load and save make of it must load back the same, a file that could
// not be read whole is kept byte for byte, and removing photos deletes only
// the album's own pictures.

#include "FuzzTargets.h"

#include "Album.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace fs = std::filesystem;

namespace hf::fuzz {
namespace {

class NoBoxes final : public MessageBoxes {
public:
    MsgAnswer show(std::string_view, std::string_view, MsgStyle) override { return MsgAnswer::Ok; }
};

std::vector<std::uint8_t> bytesOf(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool sameRecord(const PhotoRecord& a, const PhotoRecord& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Photos shown in the album, in order, and the deleted ones in any order:
// a save renumbers only the shown ones, so a deleted record may move when
// the saved album is sorted again.
bool sameAlbum(const Album& a, const Album& b)
{
    if (a.count != b.count || std::memcmp(&a.header, &b.header, sizeof a.header) != 0)
        return false;
    std::vector<PhotoRecord> shownA, shownB, deletedA, deletedB;
    for (int i = 0; i < a.count; ++i) {
        const PhotoRecord& ra = a.records[static_cast<std::size_t>(i)];
        const PhotoRecord& rb = b.records[static_cast<std::size_t>(i)];
        (ra.deleted ? deletedA : shownA).push_back(ra);
        (rb.deleted ? deletedB : shownB).push_back(rb);
    }
    const auto byBytes = [](const PhotoRecord& x, const PhotoRecord& y) { return std::memcmp(&x, &y, sizeof x) < 0; };
    std::sort(deletedA.begin(), deletedA.end(), byBytes);
    std::sort(deletedB.begin(), deletedB.end(), byBytes);
    return std::equal(shownA.begin(), shownA.end(), shownB.begin(), shownB.end(), sameRecord) &&
           std::equal(deletedA.begin(), deletedA.end(), deletedB.begin(), deletedB.end(), sameRecord);
}

}  // namespace

void albumFile(Input data)
{
    // Pictures the records may name (the seeds do): one of the album's own,
    // one behind a link, one in a sub-folder and one outside the folder.
    const fs::path outside = freshFolder("outside");
    const fs::path folder = freshFolder("album");
    const std::uint8_t picture[] = {'B', 'M'};
    writeFile(folder / "p1.bmp", picture);
    writeFile(outside / "p9.bmp", picture);
    fs::create_directory(folder / "sub");
    writeFile(folder / "sub" / "p4.bmp", picture);
    fs::create_symlink(outside / "p9.bmp", folder / "p2.bmp");
    writeFile(folder / "Photos.dat", data);

    NoBoxes boxes;
    static Album first, second;  // 360 KB each: kept off the stack
    first.loadAlbum(folder, boxes);
    first.repairCategories();
    const bool damaged = first.damagedFile().has_value();
    HF_FUZZ_RULE(damaged == (!data.empty() && (data.size() < sizeof(AlbumHeader) ||
                                               data.size() > sizeof(AlbumHeader) + sizeof(PhotoRecord) * kMaxRecords)));
    HF_FUZZ_RULE(first.saveAlbum(folder, boxes));
    if (damaged) {
        HF_FUZZ_RULE(bytesOf(folder / "Photos.dat.unreadable") == std::vector<std::uint8_t>(data.begin(), data.end()));
    }

    second.loadAlbum(folder, boxes);
    second.repairCategories();
    HF_FUZZ_RULE(!second.damagedFile());
    HF_FUZZ_RULE(sameAlbum(first, second));
    for (int slot = 0; slot < kCategorySlots; ++slot)
        HF_FUZZ_RULE(second.categoryName(slot).size() < kCategoryNameSize);

    for (int i = second.count - 1; i >= 0; --i)
        second.removeRecord(i, folder);
    std::error_code ec;
    HF_FUZZ_RULE(fs::exists(outside / "p9.bmp", ec));
    HF_FUZZ_RULE(fs::is_symlink(folder / "p2.bmp", ec));
    HF_FUZZ_RULE(fs::exists(folder / "sub" / "p4.bmp", ec));
    HF_FUZZ_RULE(fs::exists(folder / "Photos.dat", ec));
}

}  // namespace hf::fuzz
