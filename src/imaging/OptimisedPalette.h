#pragma once

#include "LBitmap.h"

#include <span>
#include <vector>

namespace hf {

// At most maxColours (1 ... 256) colours that stand for the picture's own
// with as little squared error as we can find quickly: the picture's colours
// themselves when there are few enough; otherwise Wu's variance-minimising
// split of a 32-level colour histogram, refined by a few rounds of k-means
// on the exact colours. The colours in keep are always in the palette,
// after the chosen ones. Empty for an empty picture.
std::vector<Rgb> optimisedPalette(const LBitmap& picture, int maxColours, std::span<const Rgb> keep = {});

}  // namespace hf
