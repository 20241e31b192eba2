#pragma once

#include "Album.h"
#include "TempDir.h"
#include "Text.h"

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

namespace hf::test {

// A record as another program would have written it into the file.
inline PhotoRecord makeRecord(std::string_view name, const std::filesystem::path& picture, std::int32_t position,
                              std::int32_t category = 0, std::int32_t deleted = 0)
{
    PhotoRecord r{};
    copyField(r.pictureName, name);
    copyField(r.picturePath, picture.string());
    copyField(r.userName, "Ann");
    r.colourMode = 3;
    r.category = category;
    r.deleted = deleted;
    r.position = position;
    r.syncKey = 0x1234 + position;
    return r;
}

inline std::string albumBytes(const AlbumHeader& header, std::initializer_list<PhotoRecord> records)
{
    std::string bytes(reinterpret_cast<const char*>(&header), sizeof header);
    for (const PhotoRecord& r : records)
        bytes.append(reinterpret_cast<const char*>(&r), sizeof r);
    return bytes;
}

inline AlbumHeader defaultHeader()
{
    return defaultAlbumHeader();
}

inline void touch(const std::filesystem::path& file)
{
    writeFile(file, "BM");
}

}  // namespace hf::test
