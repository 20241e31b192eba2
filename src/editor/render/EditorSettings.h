#pragma once

namespace hf {

// Where the picture editor keeps its colour mode and contrast between runs.
inline constexpr const char* kParametersSection = "Parameters";
inline constexpr const char* kGrayLevelValue = "Gray Level";
inline constexpr const char* kContrastValue = "Contrast";

}  // namespace hf
