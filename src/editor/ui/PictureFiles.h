#pragma once

#include <filesystem>
#include <optional>

namespace hf {

inline constexpr int kMaxPictureNumber = 9999;

// The first "p<N>.bmp" in the folder, N from 0 to 9999, at which nothing
// exists yet; none when all are taken.
std::optional<std::filesystem::path> firstFreePictureFile(const std::filesystem::path& folder);

}  // namespace hf
