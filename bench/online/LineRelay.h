#pragma once

// A TCP relay on loopback that models a slow line: every byte that crosses
// it, in either direction and over all connections together, waits for its
// share of the line's rate. The bucket holds only 10 ms of traffic, so a
// pause never buys a burst afterwards.

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace hf::bench {

class LineRelay {
public:
    LineRelay(int targetPort, double bytesPerSecond);
    ~LineRelay();
    LineRelay(const LineRelay&) = delete;
    LineRelay& operator=(const LineRelay&) = delete;

    int port() const { return port_; }

private:
    struct Bucket {
        std::mutex mutex;
        double tokens = 0;
        std::chrono::steady_clock::time_point last = std::chrono::steady_clock::now();
    };
    void acceptLoop();
    void pump(int from, int to, Bucket& bucket);
    void take(Bucket& bucket, std::size_t bytes) const;

    int target_;
    double rate_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    Bucket down_, up_;
    std::mutex threadsMutex_;
    std::vector<std::thread> threads_;
    std::thread acceptor_;
};

}  // namespace hf::bench
