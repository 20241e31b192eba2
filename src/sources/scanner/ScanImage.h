#pragma once

#include "LBitmap.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace hf {

// What a scanner says about one frame before sending it, in the program's
// own terms (the session translates the device library's parameters).
struct ScanFrame {
    // Gray and Rgb come in one frame; Red, Green and Blue are the three
    // passes of a colour scan, one channel each.
    enum class Kind { Gray, Rgb, Red, Green, Blue };
    Kind kind = Kind::Gray;
    bool lastFrame = true;
    int bytesPerLine = 0;
    int pixelsPerLine = 0;
    // -1 when the device does not know in advance (a hand scanner).
    int lines = 0;
    // Bits per sample: 1 (lineart, a set bit is black), 8 or 16 (host
    // byte order).
    int depth = 8;
};

// Collects the bytes of the frames of one scan and turns them into a
// picture: 8-bit gray, 1-bit black and white, or 24-bit RGB. Anything the
// device sends that does not make a whole picture within kMaxPicturePixels
// ends with an empty bitmap, never with a guess.
class ScanImage {
public:
    // False when the frame cannot be part of a picture: an unknown depth, a
    // line shorter than its pixels, a size over the limit, or a pass whose
    // size differs from the first one's.
    bool beginFrame(const ScanFrame& frame);
    // Adds bytes to the current frame; false when they would take it past
    // its declared size or the size limit.
    bool append(std::span<const std::uint8_t> bytes);
    // The picture of the frames so far; empty unless every channel arrived
    // with at least one whole line.
    LBitmap finish() const;

    // The bytes the whole scan should bring, -1 when that is not known.
    static std::int64_t expectedBytes(const ScanFrame& frame);

private:
    struct Frame {
        ScanFrame format;
        std::vector<std::uint8_t> bytes;
        int wholeLines() const;
    };
    const Frame* frameOf(ScanFrame::Kind kind) const;
    std::vector<Frame> frames_;
};

}  // namespace hf
