// handfolio-scan-helper: one session of the device library for the program,
// which starts it, talks to it over its standard input and output
// (ScanProtocol.h) and ends it when it is done or the device hangs.

#include "SafeFiles.h"
#include "ScanChannel.h"
#include "ScanSession.h"

#include <algorithm>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace {

using namespace hf;

// Sends the frames on as the device delivers them, in pieces the program
// takes.
class ChannelSink final : public ScanSink {
public:
    explicit ChannelSink(ScanChannel& channel) : channel_(channel) {}

    bool beginFrame(const ScanFrame& frame) override
    {
        return sending_ = sending_ && channel_.send(ScanMessage::Frame, framePayload(frame));
    }
    bool append(std::span<const std::uint8_t> bytes) override
    {
        while (sending_ && !bytes.empty()) {
            const std::size_t piece = std::min(bytes.size(), kScanDataChunk);
            sending_ = channel_.send(ScanMessage::Data, bytes.first(piece));
            bytes = bytes.subspan(piece);
        }
        return sending_;
    }
    void ended(bool whole) override
    {
        if (sending_)
            channel_.send(ScanMessage::End, flagPayload(whole));
    }

private:
    ScanChannel& channel_;
    bool sending_ = true;
};

void serve(ScanChannel& channel)
{
    ScanSession session;
    while (const std::optional<ScanPacket> request = channel.receive()) {
        bool answered = false;
        switch (request->type) {
        case ScanMessage::ListDevices:
            answered = channel.send(ScanMessage::Devices, devicesPayload(session.listDevices()));
            break;
        case ScanMessage::Open: {
            const std::optional<std::string> name = deviceNameOf(*request);
            answered = channel.send(ScanMessage::Opened, flagPayload(name && session.open(*name)));
            break;
        }
        case ScanMessage::Read: {
            ChannelSink sink(channel);
            session.read(sink);
            answered = true;
            break;
        }
        default:
            break;
        }
        if (!answered)
            break;
    }
    // The program is done with the session, or gone.
    session.close();
}

}  // namespace

int main()
{
    // A program that is gone is seen as a failed write, not as a signal.
    std::signal(SIGPIPE, SIG_IGN);
    // The channel keeps the descriptors the program gave; what a backend
    // prints to its standard output goes to the error output instead of
    // into the channel.
    const UniqueFd in(::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 3));
    const UniqueFd out(::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3));
    const UniqueFd nothing(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    if (!in || !out || !nothing || ::dup2(nothing.get(), STDIN_FILENO) < 0 || ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0)
        return 2;
    ScanChannel channel(in.get(), out.get());
    if (!channel.send(ScanMessage::Hello, helloPayload()))
        return 2;
    serve(channel);
    return 0;
}
