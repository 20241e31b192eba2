#include "HandheldModels.h"

namespace hf {

std::optional<int> findHandheldModel(std::string_view name)
{
    for (std::size_t i = 0; i < kHandheldModels.size(); ++i) {
        if (kHandheldModels[i].name == name)
            return static_cast<int>(i);
    }
    return std::nullopt;
}

ModelRule applyModelRule(std::uint8_t kind, int colourMode)
{
    switch (kind) {
    case 8:
        // A colour handheld always switches to colour, even from colour.
        return {true, true, 3, true};
    case 4:
        if (colourMode == 3)
            return {true, false, 2, true};
        return {true, false, colourMode, false};
    default:
        if (colourMode != 1)
            return {false, false, 1, true};
        return {false, false, 1, false};
    }
}

}  // namespace hf
