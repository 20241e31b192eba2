#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

namespace hf {

// Picture files larger than this are not read: no photo we can hold needs
// more, and reading it would only cost the user's memory.
inline constexpr std::uint64_t kMaxPictureFileBytes = std::uint64_t(1) << 30;

// The whole content of a picture file that comes from outside (a chosen or
// dropped file, a picture file named by the album). The file is opened
// without blocking and read only when it is a regular file: a FIFO, a
// device or a folder under a picture's name would otherwise hang the
// program or never end. Nothing when the file cannot be read that way, or
// is larger than kMaxPictureFileBytes.
std::optional<std::vector<std::uint8_t>> readPictureFile(const std::filesystem::path& path);

}  // namespace hf
