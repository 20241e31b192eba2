#pragma once

// The album file "Photos.dat": a 384-byte header followed by 360-byte photo
// records. The handheld's synchronisation reads these bytes, so the structs
// below are the file's layout exactly; the program runs on little-endian
// machines only, which the file format requires.

#include <bit>
#include <cstddef>
#include <cstdint>

namespace hf {

static_assert(std::endian::native == std::endian::little, "the album file is little-endian");

inline constexpr int kMaxRecords = 1000;
inline constexpr int kCategorySlots = 16;
inline constexpr std::size_t kCategoryNameSize = 16;  // 15 bytes and a terminator
inline constexpr std::size_t kMaxPictureName = 15;
inline constexpr std::size_t kMaxModelName = 29;
inline constexpr std::int32_t kHeaderSize = 384;
inline constexpr std::int32_t kFormatMarker1 = 2;
inline constexpr std::int32_t kFormatMarker2 = 5;
inline constexpr std::uint16_t kAllCategoriesChanged = 0xFFFF;
inline constexpr std::int32_t kFirstDesktopCategoryId = 128;
inline constexpr const char* kAlbumFileName = "Photos.dat";
inline constexpr const char* kCreatorId = "Wz4k";

enum class ColourMode : std::int32_t {
    Gray4 = 1,
    Gray16 = 2,
    Colour = 3,
};

struct AlbumHeader {
    std::int32_t headerSize;
    std::int32_t formatMarker1;
    std::int32_t formatMarker2;
    char lastModel[40];
    std::uint16_t changedCategories;
    char categoryNames[kCategorySlots][kCategoryNameSize];
    std::uint8_t reserved1[2];
    std::int32_t categoryIds[kCategorySlots];
    std::int32_t lastUniqueId;
    std::uint8_t reserved2[4];
};

struct PhotoRecord {
    std::int32_t syncKey;
    char userName[50];
    char pictureName[24];
    char picturePath[258];
    std::int32_t colourMode;
    std::int32_t privateFlag;
    std::int32_t modified;
    std::int32_t deleted;
    std::int32_t category;
    std::int32_t position;
};

static_assert(sizeof(AlbumHeader) == 384);
static_assert(offsetof(AlbumHeader, formatMarker1) == 4);
static_assert(offsetof(AlbumHeader, formatMarker2) == 8);
static_assert(offsetof(AlbumHeader, lastModel) == 12);
static_assert(offsetof(AlbumHeader, changedCategories) == 52);
static_assert(offsetof(AlbumHeader, categoryNames) == 54);
static_assert(offsetof(AlbumHeader, reserved1) == 310);
static_assert(offsetof(AlbumHeader, categoryIds) == 312);
static_assert(offsetof(AlbumHeader, lastUniqueId) == 376);
static_assert(offsetof(AlbumHeader, reserved2) == 380);

static_assert(sizeof(PhotoRecord) == 360);
static_assert(offsetof(PhotoRecord, userName) == 4);
static_assert(offsetof(PhotoRecord, pictureName) == 54);
static_assert(offsetof(PhotoRecord, picturePath) == 78);
static_assert(offsetof(PhotoRecord, colourMode) == 336);
static_assert(offsetof(PhotoRecord, privateFlag) == 340);
static_assert(offsetof(PhotoRecord, modified) == 344);
static_assert(offsetof(PhotoRecord, deleted) == 348);
static_assert(offsetof(PhotoRecord, category) == 352);
static_assert(offsetof(PhotoRecord, position) == 356);

}  // namespace hf
