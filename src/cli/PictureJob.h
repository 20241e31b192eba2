#pragma once

#include "Rect.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace hf {

// How a photo becomes its handheld picture without the editor: the
// editor's own rules, with the choices a user would have made in it.
struct PictureSettings {
    int colourMode = 3;
    int contrast = 0;
    std::optional<Rect> crop;  // in the photo's own pixels; none: the editor's first frame
    bool fill = false;         // the whole photo, centred on black
};

// The colour mode the editor would end up with for a handheld model kind
// (2, 4 or 8): the settings' mode after the model's rule, or the mode asked
// for when the model's screen can show it. None, with the reason, when it
// cannot.
std::optional<int> colourModeFor(std::uint8_t modelKind, int settingsMode, std::optional<int> wanted,
                                 std::string& refusal);

// The picture file's bytes (8-bit BMP, 160 x 160), exactly as the editor's
// Save writes them for the same photo and settings; empty, with the reason,
// when the photo cannot be read or the frame holds no picture.
struct PreparedPicture {
    std::vector<std::uint8_t> bmp;
    std::string error;
};
PreparedPicture preparePicture(const std::filesystem::path& photo, const PictureSettings& settings);

// Prepares the photos on up to `threads` threads at once and hands each
// result to `take` in the order given, on the calling thread, as soon as it
// and all before it are ready. `take` returns false to stop: no further
// result is handed over, and the work still under way is dropped.
void prepareInOrder(const std::vector<std::filesystem::path>& photos, const PictureSettings& settings, unsigned threads,
                    const std::function<bool(std::size_t index, PreparedPicture& picture)>& take);

}  // namespace hf
