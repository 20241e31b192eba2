#pragma once

#include "Album.h"
#include "Text.h"

#include <cstdio>
#include <cstring>
#include <string_view>

namespace hf::test {

// The header of a new album: "Unfiled", "Personal", "Business", IDs 0 to 15,
// last unique ID 128, every category marked changed.
inline AlbumHeader freshHeader()
{
    return defaultAlbumHeader();
}

// A header with all sixteen slots in use ("Cat 3" to "Cat 15" after the
// three of a new album).
inline AlbumHeader fullHeader()
{
    AlbumHeader h = freshHeader();
    for (int i = 3; i < kCategorySlots; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "Cat %d", i);
        copyField(h.categoryNames[i], name);
    }
    return h;
}

inline bool sameBytes(const AlbumHeader& a, const AlbumHeader& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

}  // namespace hf::test
