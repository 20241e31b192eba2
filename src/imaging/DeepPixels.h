#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace hf {

// How the code values of a picture with more than 8 bits per sample map to
// light: plain (the usual gamma, only finer steps) or one of the two HDR
// transfers phones record.
enum class Transfer { Standard, PerceptualQuantiser, HybridLogGamma };

// The primaries of the HDR picture's colours; the result is always sRGB's.
enum class Primaries { Bt709, Bt2020, DisplayP3 };

// Brings rows of 10-, 12- or 16-bit samples (R, G, B and maybe alpha, as
// decoders hand them over) to our 8-bit RGB, alpha laid on white. Plain
// pictures are only rescaled. HDR ones are turned to light with their
// reference white (203 cd/m², HLG's 75 % signal) at sRGB's white, brought
// to sRGB's primaries, and highlights above the white are rolled off
// smoothly instead of clipped: a photo keeps the brightness it had on the
// phone's screen, neither dark nor washed out.
class DeepToEightBits {
public:
    DeepToEightBits(int bitsPerSample, Transfer transfer, Primaries primaries);

    // width pixels of `channels` (3 or 4) samples each into width * 3 bytes.
    void convertRow(const std::uint16_t* in, int width, int channels, std::uint8_t* out) const;

private:
    int maxCode_;
    bool hdr_;
    std::array<float, 9> toSrgbPrimaries_{};
    std::vector<float> light_;          // code value -> relative light, reference white 1
    std::vector<std::uint8_t> encode_;  // light 0 ... 1 in kEncodeSteps -> sRGB byte
};

}  // namespace hf
