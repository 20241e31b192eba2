#pragma once

// The fuzz targets: one entry per parser of data that comes from outside
// the program. Each takes the bytes, runs them the way the program does
// and checks what must hold afterwards; a broken rule aborts with its text,
// so libFuzzer and the replay test both see it as a crash.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>

namespace hf::fuzz {

using Input = std::span<const std::uint8_t>;

void albumFile(Input data);         // Photos.dat: load, repair, save, load again
void pictureFile(Input data);       // every picture format, through the sources' decoding entry
void previewFile(Input data);       // a picture file as the preview pane and file dialog read it
void usersList(Input data);         // users.ini
void windowsProxyText(Input data);  // the proxy text of the Windows settings
void davListing(Input data);        // a WebDAV PROPFIND answer
void exifThumbnail(Input data);     // a photo store picture: EXIF, thumbnail, small picture
void scanStream(Input data);        // what the scan helper sends during a scan

struct Target {
    const char* name;  // also the folder of its seeds and regressions
    void (*run)(Input);
};

inline constexpr Target kTargets[] = {
    {"album", albumFile},    {"picture", pictureFile},         {"preview", previewFile},
    {"users", usersList},    {"proxy_text", windowsProxyText}, {"propfind", davListing},
    {"exif", exifThumbnail}, {"scan_stream", scanStream},
};

[[noreturn]] void broken(const char* rule, const char* file, int line);

// A scratch folder of the target's own, on tmpfs where there is one (the
// album target fsyncs on every save): $HANDFOLIO_FUZZ_DIR/<name>, by default
// /dev/shm/handfolio-fuzz/<name>. Emptied on every call.
std::filesystem::path freshFolder(const char* name);

void writeFile(const std::filesystem::path& path, Input data);

}  // namespace hf::fuzz

// A macro, as the report quotes the rule as written.
#define HF_FUZZ_RULE(cond) /* NOLINT(cppcoreguidelines-macro-usage) */                                                 \
    ((cond) ? void() : ::hf::fuzz::broken(#cond, __FILE__, __LINE__))
