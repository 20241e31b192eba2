#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace hf {

// A handheld model and what its screen shows: 2 = 4 grays, 4 = 16 grays,
// 8 = 256 colours.
struct HandheldModel {
    std::string_view name;
    std::uint8_t kind;
};

inline constexpr std::array<HandheldModel, 22> kHandheldModels = {{
    {"Palm Pilot", 2},
    {"Palm III", 2},
    {"Palm IIIe", 4},
    {"Palm IIIx", 4},
    {"Palm IIIxe", 4},
    {"Palm IIIc", 8},
    {"Palm V", 4},
    {"Palm Vx", 4},
    {"Palm VII", 2},
    {"Palm VIIx", 4},
    {"Palm m100", 4},
    {"Palm m105", 4},
    {"Palm m500", 4},
    {"Palm m505", 8},
    {"Handspring Visor Prism", 8},
    {"Handspring Visor", 4},
    {"Handspring Visor Deluxe", 4},
    {"Handspring Visor Platinum", 4},
    {"Kyocera SmartPhone", 4},
    {"Sony Clie", 4},
    {"TRG TRGPro", 4},
    {"Unknown", 8},
}};

inline constexpr std::string_view kUnknownModel = "Unknown";

// The row whose name is exactly the given one.
std::optional<int> findHandheldModel(std::string_view name);

// What choosing a model does to the colour-mode buttons and the mode.
struct ModelRule {
    bool gray16Enabled;
    bool colourEnabled;
    int colourMode;  // the mode afterwards
    bool changed;    // the mode was set: the picture renders again
};

ModelRule applyModelRule(std::uint8_t kind, int colourMode);

}  // namespace hf
