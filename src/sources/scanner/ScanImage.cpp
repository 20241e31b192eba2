#include "ScanImage.h"

#include <algorithm>
#include <cstring>

namespace hf {
namespace {

bool isPass(ScanFrame::Kind kind)
{
    return kind == ScanFrame::Kind::Red || kind == ScanFrame::Kind::Green || kind == ScanFrame::Kind::Blue;
}

// The most bytes one frame may bring: the largest picture at 16 bits in
// three channels. A device that announces more, in lines or in padding, is
// not believed.
constexpr std::int64_t kMaxFrameBytes = kMaxPicturePixels * 6;

int channelsOf(ScanFrame::Kind kind)
{
    return kind == ScanFrame::Kind::Rgb ? 3 : 1;
}

// Sample i of a line scaled to 0 ... 255. Sixteen-bit samples keep their
// high byte; a one-bit sample is full or nothing.
std::uint8_t sampleAt(const std::uint8_t* line, int i, int depth)
{
    switch (depth) {
    case 1:
        return (line[i / 8] >> (7 - i % 8)) & 1 ? 255 : 0;
    case 8:
        return line[i];
    default: {
        std::uint16_t value = 0;
        std::memcpy(&value, line + 2 * std::size_t(i), sizeof value);
        return std::uint8_t(value >> 8);
    }
    }
}

}  // namespace

int ScanImage::Frame::wholeLines() const
{
    const auto received = std::int64_t(bytes.size() / std::size_t(format.bytesPerLine));
    return int(format.lines < 0 ? received : std::min<std::int64_t>(received, format.lines));
}

std::int64_t ScanImage::expectedBytes(const ScanFrame& frame)
{
    if (frame.lines < 0)
        return -1;
    return std::int64_t(frame.bytesPerLine) * frame.lines * (isPass(frame.kind) ? 3 : 1);
}

bool ScanImage::beginFrame(const ScanFrame& frame)
{
    if (frame.depth != 1 && frame.depth != 8 && frame.depth != 16)
        return false;
    if (frame.pixelsPerLine <= 0 || frame.lines < -1 || frame.bytesPerLine <= 0)
        return false;
    const std::int64_t lineBits = std::int64_t(frame.pixelsPerLine) * channelsOf(frame.kind) * frame.depth;
    if (std::int64_t(frame.bytesPerLine) * 8 < lineBits)
        return false;
    if (std::int64_t(frame.pixelsPerLine) * std::max(frame.lines, 1) > kMaxPicturePixels ||
        std::int64_t(frame.bytesPerLine) * std::max(frame.lines, 1) > kMaxFrameBytes)
        return false;
    if (!frames_.empty()) {
        // Only the passes of one colour scan follow each other, each once,
        // all of one size.
        const ScanFrame& first = frames_.front().format;
        if (!isPass(frame.kind) || !isPass(first.kind) || frameOf(frame.kind) || frame.depth != first.depth ||
            frame.pixelsPerLine != first.pixelsPerLine || frame.lines != first.lines)
            return false;
    }
    frames_.push_back({frame, {}});
    if (frame.lines > 0)
        frames_.back().bytes.reserve(std::size_t(frame.bytesPerLine) * std::size_t(frame.lines));
    return true;
}

bool ScanImage::append(std::span<const std::uint8_t> bytes)
{
    if (frames_.empty())
        return false;
    Frame& frame = frames_.back();
    const std::int64_t total = std::int64_t(frame.bytes.size()) + std::int64_t(bytes.size());
    const std::int64_t lineLimit =
        frame.format.lines >= 0 ? frame.format.lines : kMaxPicturePixels / frame.format.pixelsPerLine;
    if (total > std::min(lineLimit * frame.format.bytesPerLine, kMaxFrameBytes))
        return false;
    frame.bytes.insert(frame.bytes.end(), bytes.begin(), bytes.end());
    return true;
}

const ScanImage::Frame* ScanImage::frameOf(ScanFrame::Kind kind) const
{
    const auto found =
        std::find_if(frames_.begin(), frames_.end(), [kind](const Frame& f) { return f.format.kind == kind; });
    return found == frames_.end() ? nullptr : &*found;
}

LBitmap ScanImage::finish() const
{
    if (frames_.empty())
        return {};
    const ScanFrame& first = frames_.front().format;
    const int width = first.pixelsPerLine;
    const int depth = first.depth;

    if (!isPass(first.kind)) {
        const Frame& frame = frames_.front();
        const int height = frame.wholeLines();
        if (height <= 0)
            return {};
        if (first.kind == ScanFrame::Kind::Gray) {
            // Lineart: a set bit is black, so black comes first.
            LBitmap picture =
                depth == 1
                    ? LBitmap::indexed(width, height, 1, {kBlack, Rgb{255, 255, 255}}, LBitmap::Pixels::ToBeWritten)
                    : LBitmap::indexed(width, height, 8, grayPalette(), LBitmap::Pixels::ToBeWritten);
            for (int y = 0; y < height; ++y) {
                const std::uint8_t* line = frame.bytes.data() + std::size_t(y) * std::size_t(first.bytesPerLine);
                std::uint8_t* out = picture.row(y);
                for (int x = 0; x < width; ++x)
                    out[x] = depth == 1 ? std::uint8_t(sampleAt(line, x, 1) ? 0 : 1) : sampleAt(line, x, depth);
            }
            return picture;
        }
        LBitmap picture = LBitmap::rgb(width, height, LBitmap::Pixels::ToBeWritten);
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* line = frame.bytes.data() + std::size_t(y) * std::size_t(first.bytesPerLine);
            std::uint8_t* out = picture.row(y);
            for (int i = 0; i < 3 * width; ++i)
                out[i] = sampleAt(line, i, depth);
        }
        return picture;
    }

    // Three passes: the picture is as tall as the shortest of them.
    const Frame* passes[3] = {frameOf(ScanFrame::Kind::Red), frameOf(ScanFrame::Kind::Green),
                              frameOf(ScanFrame::Kind::Blue)};
    int height = first.lines < 0 ? int(kMaxPicturePixels) : first.lines;
    for (const Frame* pass : passes) {
        if (!pass)
            return {};
        height = std::min(height, pass->wholeLines());
    }
    if (height <= 0)
        return {};
    LBitmap picture = LBitmap::rgb(width, height, LBitmap::Pixels::ToBeWritten);
    for (int c = 0; c < 3; ++c) {
        const Frame& pass = *passes[c];
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* line = pass.bytes.data() + std::size_t(y) * std::size_t(first.bytesPerLine);
            std::uint8_t* out = picture.row(y) + c;
            for (int x = 0; x < width; ++x)
                out[3 * std::size_t(x)] = sampleAt(line, x, depth);
        }
    }
    return picture;
}

}  // namespace hf
