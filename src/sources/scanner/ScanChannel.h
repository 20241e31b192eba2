#pragma once

#include "ScanProtocol.h"

#include <chrono>
#include <optional>
#include <span>

namespace hf {

// Whole messages of the scan protocol over a pair of file descriptors it
// does not own: a socket or pipes.
class ScanChannel {
public:
    using Clock = std::chrono::steady_clock;

    ScanChannel(int in, int out) : in_(in), out_(out) {}

    // False when the other side is gone.
    bool send(ScanMessage type, std::span<const std::uint8_t> payload = {}) const;
    // The next message; none when the other side is gone, sends what the
    // protocol does not know, the deadline passes, or wake (when given)
    // becomes readable.
    std::optional<ScanPacket> receive(std::optional<Clock::time_point> deadline = std::nullopt, int wake = -1);

private:
    bool readExactly(std::span<std::uint8_t> into, std::optional<Clock::time_point> deadline, int wake);

    int in_;
    int out_;
};

}  // namespace hf
