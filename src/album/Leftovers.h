#pragma once

#include <filesystem>

namespace hf {

class Album;

// Clears away what this program leaves behind in a program folder when it
// is killed at the wrong moment: temporary album and picture files, the
// photo store's download files (t0001.jpg, 0001.jpg and their partial
// ".part" files), and picture files p<N>.bmp that no record of the album,
// removed ones included, names and that are newer than the album file (a
// picture written just before the album would have named it). Nothing of
// any other name is touched, nor anything that is not a regular file.
// Only for the holder of the album's lock: no other program is writing here.
void removeLeftovers(const std::filesystem::path& folder, const Album& album);

}  // namespace hf
