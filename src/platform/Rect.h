#pragma once

#include <cstdint>

namespace hf {

// A rectangle in pixels; right and bottom are exclusive, as on the screen.
struct Rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    constexpr std::int32_t width() const { return right - left; }
    constexpr std::int32_t height() const { return bottom - top; }
    constexpr bool contains(std::int32_t x, std::int32_t y) const
    {
        return left <= x && x < right && top <= y && y < bottom;
    }
    friend constexpr bool operator==(const Rect&, const Rect&) = default;
};

}  // namespace hf
