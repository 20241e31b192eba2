#pragma once

#include "LBitmap.h"
#include "ScanImage.h"
#include "ScanProtocol.h"

#include <atomic>
#include <cstdint>

namespace hf {

// How far a scan has come, read by the user-interface thread while a worker
// reads from the helper.
struct ScanProgress {
    std::atomic<std::int64_t> bytesRead{0};
    // The bytes the scan should bring; -1 while the device cannot say.
    std::atomic<std::int64_t> expected{0};
};

// The program's side of one Read: the helper's frames, checked and decoded
// here as if the device had sent them, message by message.
class ScanStream {
public:
    enum class State { Reading, Whole, Failed, Broken };

    explicit ScanStream(ScanProgress& progress) : progress_(progress) {}

    // Failed: the helper said the scan did not arrive whole. Broken: it sent
    // what no scan looks like, and is not to be listened to again.
    State take(const ScanPacket& packet);
    // The picture once Whole.
    LBitmap picture() const;

private:
    ScanProgress& progress_;
    ScanImage image_;
    bool started_ = false;
    bool lastFrame_ = false;
    State state_ = State::Reading;
};

}  // namespace hf
