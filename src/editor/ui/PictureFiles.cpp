#include "PictureFiles.h"

#include <string>

namespace fs = std::filesystem;

namespace hf {

std::optional<fs::path> firstFreePictureFile(const fs::path& folder)
{
    for (int n = 0; n <= kMaxPictureNumber; ++n) {
        fs::path candidate = folder / ("p" + std::to_string(n) + ".bmp");
        std::error_code ec;
        // A dangling link counts as taken: writing through it would land elsewhere.
        if (!fs::exists(fs::symlink_status(candidate, ec)))
            return candidate;
    }
    return std::nullopt;
}

}  // namespace hf

