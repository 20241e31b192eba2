#include "ScanProcess.h"

#include "ScanChannel.h"

#include <cerrno>
#include <csignal>
#include <new>
#include <thread>
#include <utility>

#include <fcntl.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace hf {
namespace {

using Clock = std::chrono::steady_clock;

// Whether the child is gone and reaped within the time.
bool reapWithin(pid_t pid, std::chrono::milliseconds limit)
{
    const Clock::time_point deadline = Clock::now() + limit;
    for (;;) {
        int status = 0;
        const pid_t reaped = ::waitpid(pid, &status, WNOHANG);
        if (reaped == pid || (reaped < 0 && errno != EINTR))
            return true;
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// posix_spawn's two records, released on every path.
struct SpawnSetup {
    SpawnSetup()
    {
        ::posix_spawn_file_actions_init(&actions);
        ::posix_spawnattr_init(&attributes);
    }
    ~SpawnSetup()
    {
        ::posix_spawn_file_actions_destroy(&actions);
        ::posix_spawnattr_destroy(&attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
    posix_spawn_file_actions_t actions{};
    posix_spawnattr_t attributes{};
};

}  // namespace

ScanProcess::ScanProcess(ScanHelperSetup setup) : setup_(std::move(setup))
{
    int wake[2];
    if (::pipe2(wake, O_CLOEXEC | O_NONBLOCK) == 0) {
        wakeRead_ = UniqueFd(wake[0]);
        wakeWrite_ = UniqueFd(wake[1]);
    }
}

ScanProcess::~ScanProcess()
{
    close();
}

bool ScanProcess::start()
{
    started_ = true;
    int pair[2];
    if (!wakeRead_ || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
        return false;
    UniqueFd ours(pair[0]);
    const UniqueFd given(pair[1]);
    // Above the standard descriptors, so that giving it to the helper as
    // its input and output never meets itself.
    const UniqueFd theirs(::fcntl(given.get(), F_DUPFD_CLOEXEC, 3));
    if (!theirs)
        return false;

    SpawnSetup spawn;
    ::posix_spawn_file_actions_adddup2(&spawn.actions, theirs.get(), STDIN_FILENO);
    ::posix_spawn_file_actions_adddup2(&spawn.actions, theirs.get(), STDOUT_FILENO);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    // Nothing else of the program's reaches the helper, the album lock
    // least of all, even a descriptor opened without close-on-exec.
    ::posix_spawn_file_actions_addclosefrom_np(&spawn.actions, 3);
#endif
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int signal : {SIGPIPE, SIGTERM, SIGINT, SIGHUP})
        sigaddset(&defaults, signal);
    ::posix_spawnattr_setsigmask(&spawn.attributes, &none);
    ::posix_spawnattr_setsigdefault(&spawn.attributes, &defaults);
    // A group of its own, so that ending it also ends what a backend
    // started.
    ::posix_spawnattr_setpgroup(&spawn.attributes, 0);
    ::posix_spawnattr_setflags(&spawn.attributes,
                               POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);

    std::string path = setup_.program.string();
    char* argv[] = {path.data(), nullptr};
    pid_t pid = -1;
    if (::posix_spawn(&pid, path.c_str(), &spawn.actions, &spawn.attributes, argv, environ) != 0)
        return false;
    pid_ = pid;
    channel_ = std::move(ours);

    ScanChannel channel(channel_.get(), channel_.get());
    const std::optional<ScanPacket> hello = channel.receive(Clock::now() + setup_.listing, wakeRead_.get());
    if (!hello || !isCurrentHello(*hello)) {
        end(false);
        return false;
    }
    return true;
}

std::optional<ScanPacket> ScanProcess::ask(ScanMessage request, std::span<const std::uint8_t> payload,
                                           ScanMessage answer, std::chrono::milliseconds limit)
{
    if (!channel_)
        return std::nullopt;
    ScanChannel channel(channel_.get(), channel_.get());
    const Clock::time_point deadline = Clock::now() + limit;
    std::optional<ScanPacket> packet;
    if (channel.send(request, payload))
        packet = channel.receive(deadline, wakeRead_.get());
    if (!packet || packet->type != answer) {
        end(false);
        return std::nullopt;
    }
    return packet;
}

std::vector<ScanDevice> ScanProcess::listDevices()
{
    if (!started_ && !start())
        return {};
    const std::optional<ScanPacket> answer = ask(ScanMessage::ListDevices, {}, ScanMessage::Devices, setup_.listing);
    std::optional<std::vector<ScanDevice>> devices = answer ? devicesOf(*answer) : std::nullopt;
    if (answer && !devices)
        end(false);
    return devices ? std::move(*devices) : std::vector<ScanDevice>{};
}

bool ScanProcess::open(const std::string& deviceName)
{
    const std::optional<ScanPacket> answer =
        ask(ScanMessage::Open, textPayload(deviceName), ScanMessage::Opened, setup_.opening);
    const std::optional<bool> opened = answer ? flagOf(*answer) : std::nullopt;
    if (answer && !opened)
        end(false);
    opened_ = opened.value_or(false);
    return opened_;
}

LBitmap ScanProcess::read(ScanProgress& progress)
{
    if (!opened_ || cancelled_)
        return {};
    ScanChannel channel(channel_.get(), channel_.get());
    if (!channel.send(ScanMessage::Read)) {
        end(false);
        return {};
    }
    // A frame too large for the memory left is a failed scan, not the end
    // of the program.
    try {
        ScanStream stream(progress);
        for (;;) {
            const std::optional<ScanPacket> packet = channel.receive(Clock::now() + setup_.reading, wakeRead_.get());
            const ScanStream::State state = packet ? stream.take(*packet) : ScanStream::State::Broken;
            if (state == ScanStream::State::Reading)
                continue;
            if (state == ScanStream::State::Broken || cancelled_) {
                // A frame this program cannot use stops the helper's next
                // send, so it stops the device before it leaves; a helper
                // that went quiet, garbled or was cancelled is ended at once.
                end(packet && !cancelled_);
                return {};
            }
            return stream.picture();
        }
    } catch (const std::bad_alloc&) {
        end(false);
        return {};
    }
}

void ScanProcess::cancel()
{
    cancelled_ = true;
    const char byte = 1;
    if (wakeWrite_) {
        [[maybe_unused]] const ssize_t written = ::write(wakeWrite_.get(), &byte, 1);
    }
}

void ScanProcess::close()
{
    end(true);
}

void ScanProcess::end(bool politely)
{
    // Without its input the helper closes the device and leaves.
    channel_.reset();
    opened_ = false;
    if (pid_ < 0)
        return;
    const pid_t pid = std::exchange(pid_, -1);
    if (politely && reapWithin(pid, setup_.leaving))
        return;
    ::kill(-pid, SIGTERM);
    if (reapWithin(pid, setup_.terminating))
        return;
    ::kill(-pid, SIGKILL);
    // A process held in the kernel dies when it comes out; it is reaped
    // then, without anyone waiting for it.
    if (!reapWithin(pid, setup_.terminating))
        std::thread([pid] {
            int status = 0;
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
        }).detach();
}

}  // namespace hf
