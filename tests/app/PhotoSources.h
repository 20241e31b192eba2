#pragma once

namespace hf {
class AlbumWindow;
}

namespace hf::test {

// The photo sources, added as the program adds them.
void addPhotoSources(AlbumWindow& window);

}  // namespace hf::test
