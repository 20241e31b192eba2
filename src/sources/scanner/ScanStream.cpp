#include "ScanStream.h"

namespace hf {

ScanStream::State ScanStream::take(const ScanPacket& packet)
{
    if (state_ != State::Reading)
        return state_;
    State next = State::Broken;
    switch (packet.type) {
    case ScanMessage::Frame:
        if (const std::optional<ScanFrame> frame = frameOf(packet); frame && image_.beginFrame(*frame)) {
            if (!started_)
                progress_.expected = ScanImage::expectedBytes(*frame);
            started_ = true;
            lastFrame_ = frame->lastFrame;
            next = State::Reading;
        }
        break;
    case ScanMessage::Data:
        if (image_.append(packet.payload)) {
            progress_.bytesRead += std::int64_t(packet.payload.size());
            next = State::Reading;
        }
        break;
    case ScanMessage::End:
        // A helper that calls a scan whole before its last frame began is
        // not believed.
        if (const std::optional<bool> whole = flagOf(packet); whole && !(*whole && !lastFrame_))
            next = *whole ? State::Whole : State::Failed;
        break;
    default:
        break;
    }
    state_ = next;
    return state_;
}

LBitmap ScanStream::picture() const
{
    return state_ == State::Whole ? image_.finish() : LBitmap{};
}

}  // namespace hf
