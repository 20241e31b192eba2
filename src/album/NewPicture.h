#pragma once

#include <filesystem>
#include <string>

namespace hf {

// A picture the editor has written into the program folder, ready to be
// filed in the album.
struct NewPicture {
    std::string name;  // Windows-1252, at most 15 bytes
    std::filesystem::path file;
    int colourMode = 3;
    std::string model;  // the handheld model chosen, Windows-1252; empty keeps the album's
};

}  // namespace hf
