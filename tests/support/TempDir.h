#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace hf::test {

// A fresh folder under the system's temporary folder, removed with its
// contents when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

std::string readFile(const std::filesystem::path& path);
// The little-endian 32-bit number at offset in a file's bytes.
std::int32_t int32At(const std::string& bytes, std::size_t offset);
void writeFile(const std::filesystem::path& path, std::string_view bytes);

}  // namespace hf::test
