#include "ScanChannel.h"

#include <algorithm>
#include <array>
#include <cerrno>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace hf {

bool ScanChannel::send(ScanMessage type, std::span<const std::uint8_t> payload) const
{
    const ScanBytes bytes = encodeScanPacket(type, payload);
    std::size_t done = 0;
    while (done < bytes.size()) {
        // On a socket the program is not stopped by SIGPIPE when the helper
        // is gone; on a pipe the helper ignores that signal.
        ssize_t n = ::send(out_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == ENOTSOCK)
            n = ::write(out_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += std::size_t(n);
    }
    return true;
}

bool ScanChannel::readExactly(std::span<std::uint8_t> into, std::optional<Clock::time_point> deadline, int wake)
{
    std::size_t done = 0;
    while (done < into.size()) {
        int timeout = -1;
        if (deadline) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now()).count();
            if (left <= 0)
                return false;
            timeout = int(std::min<long long>(left, 60'000));
        }
        std::array<pollfd, 2> fds{pollfd{in_, POLLIN, 0}, pollfd{wake, POLLIN, 0}};
        const int ready = ::poll(fds.data(), wake >= 0 ? 2 : 1, timeout);
        if (ready < 0 && errno != EINTR)
            return false;
        if (ready <= 0)
            continue;
        if (wake >= 0 && fds[1].revents != 0)
            return false;
        const ssize_t n = ::read(in_, into.data() + done, into.size() - done);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0)
            return false;
        done += std::size_t(n);
    }
    return true;
}

std::optional<ScanPacket> ScanChannel::receive(std::optional<Clock::time_point> deadline, int wake)
{
    std::array<std::uint8_t, kScanHeaderSize> header{};
    if (!readExactly(header, deadline, wake))
        return std::nullopt;
    const auto announced = scanHeaderOf(header);
    if (!announced)
        return std::nullopt;
    ScanPacket packet{announced->first, ScanBytes(announced->second)};
    if (!readExactly(packet.payload, deadline, wake))
        return std::nullopt;
    return packet;
}

}  // namespace hf
