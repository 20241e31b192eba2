#include "LineRelay.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>

namespace hf::bench {
namespace {

constexpr std::size_t kChunk = 4096;

sockaddr_in loopback(int port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(std::uint16_t(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

}  // namespace

LineRelay::LineRelay(int targetPort, double bytesPerSecond) : target_(targetPort), rate_(bytesPerSecond)
{
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = loopback(0);
    socklen_t len = sizeof a;
    if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len) != 0 || listen(listener_, 64) != 0) {
        if (listener_ >= 0)
            close(listener_);
        throw std::runtime_error("cannot listen on loopback");
    }
    port_ = ntohs(a.sin_port);
    acceptor_ = std::thread([this] { acceptLoop(); });
}

LineRelay::~LineRelay()
{
    stopping_ = true;
    shutdown(listener_, SHUT_RDWR);
    acceptor_.join();
    std::lock_guard lock(threadsMutex_);
    for (auto& t : threads_)
        t.join();
    close(listener_);
}

void LineRelay::take(Bucket& bucket, std::size_t bytes) const
{
    // Holding the lock while waiting queues the connections on the line.
    std::lock_guard lock(bucket.mutex);
    const double burst = rate_ / 100;
    while (true) {
        const auto now = std::chrono::steady_clock::now();
        bucket.tokens =
            std::min(burst, bucket.tokens + rate_ * std::chrono::duration<double>(now - bucket.last).count());
        bucket.last = now;
        if (bucket.tokens >= double(bytes)) {
            bucket.tokens -= double(bytes);
            return;
        }
        std::this_thread::sleep_for(std::chrono::duration<double>((double(bytes) - bucket.tokens) / rate_));
    }
}

void LineRelay::pump(int from, int to, Bucket& bucket)
{
    char buffer[kChunk];
    while (!stopping_) {
        pollfd p{from, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0)
            continue;
        const ssize_t n = recv(from, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        take(bucket, std::size_t(n));
        for (ssize_t sent = 0; sent < n;) {
            const ssize_t m = send(to, buffer + sent, std::size_t(n - sent), MSG_NOSIGNAL);
            if (m <= 0)
                return;
            sent += m;
        }
    }
    shutdown(to, SHUT_WR);
}

void LineRelay::acceptLoop()
{
    while (!stopping_) {
        pollfd p{listener_, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0)
            continue;
        const int client = accept(listener_, nullptr, nullptr);
        if (client < 0)
            continue;
        const int server = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a = loopback(target_);
        if (connect(server, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
            close(client);
            close(server);
            continue;
        }
        // The relay's own sends must not wait for acknowledgements: a line
        // adds its rate, not Nagle's delays.
        const int one = 1;
        setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        setsockopt(server, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        std::lock_guard lock(threadsMutex_);
        threads_.emplace_back([this, client, server] {
            std::thread up([this, client, server] { pump(client, server, up_); });
            pump(server, client, down_);
            up.join();
            close(client);
            close(server);
        });
    }
}

}  // namespace hf::bench
