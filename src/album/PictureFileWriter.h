#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>

namespace hf {

inline constexpr int kMaxPictureFileNumber = 9999;

enum class PictureWriteResult { Written, FolderMissing, NoFreeName, PathTooLong, WriteFailed };

struct WrittenPicture {
    PictureWriteResult result = PictureWriteResult::WriteFailed;
    std::filesystem::path file;  // the new p<N>.bmp when written
};

// Writes a picture file under the first free name "p<N>.bmp" (N from 0 to
// 9999) in the folder. The bytes go to a temporary file first and reach
// their name only when whole and on disk, without ever replacing a file that
// is there: a crash leaves no partial picture under a picture name. Where the
// file system can neither link nor rename without replacing (FAT, NFS, SMB),
// the file is created exclusively under its final name instead. The folder
// is flushed before this returns, so the album can name the picture.
// A name whose path would be longer than maxPathBytes is not used, nor a
// number that `taken` reports (a record names it, though its file is gone).
[[nodiscard]] WrittenPicture writePictureFile(const std::filesystem::path& folder, std::span<const std::uint8_t> bytes,
                                              std::size_t maxPathBytes, const std::function<bool(int)>& taken = {});

}  // namespace hf
