#pragma once

#include <string>
#include <string_view>

namespace hf {

inline constexpr const char* kNewPictureName = "New Picture";

// The picture name proposed for a file chosen in the file dialog: the file
// name without everything from its last full stop, at most 15 characters.
std::string proposedNameForChosenFile(std::string_view path);

// The picture name proposed for a dropped file: the file name without its
// extension, but a leading full stop stays and nothing is cut; the name
// dialog takes at most 15 characters of it.
std::string proposedNameForDroppedFile(std::string_view path);

}  // namespace hf
