#pragma once

// One running library call: its HTTP client, its callbacks, the proxy
// answer it works with, and the byte count it reports as progress.
// The connect or cancel callback is asked at most every 100 ms: the
// Connecting window's animation moves one step per question.

#include "Http.h"
#include "OpcClient.h"
#include "Propfind.h"
#include "Store.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace hf::opc {

class Call {
public:
    // userAgent names the program and its partner identifier.
    Call(std::int32_t session, ConnectCallback stop, ProgressCallback progress, std::string userAgent);

    // Sends one request. The proxy callback is asked for the settings
    // first; when the proxy cannot be reached or refuses the credentials,
    // it is told so, and a corrected answer gets one more try per call.
    HttpResponse send(HttpRequest request);

    // PROPFIND with the given depth and the account where it may go; a
    // successful answer goes to the reader as it arrives, when there is one.
    HttpResponse propfind(const std::string& url, int depth, std::optional<Credentials> account,
                          MemberReader* reader = nullptr);

    // The expected bytes of the whole call so far; the progress callback
    // sees max(total, done).
    void setTotal(std::uint64_t total) { total_ = total; }
    std::uint64_t total() const { return total_; }
    std::uint64_t done() const { return done_; }
    // Progress is reported once the call knows what it expects to read.
    void reportProgress();
    // The call has read all it will: done and total are equal.
    void finish();

    bool stopRequested();

private:
    std::optional<ProxyChoice> askProxy(std::int32_t reason);

    void* library_;
    std::string userAgent_;
    ConnectCallback stop_;
    ProgressCallback progress_;
    HttpClient http_;
    std::uint64_t done_ = 0;
    std::uint64_t total_ = 0;
    std::uint64_t reported_ = ~std::uint64_t(0);
    bool retried_ = false;
    bool stopped_ = false;
    std::chrono::steady_clock::time_point lastAsked_{};
};

// The status code for a failed exchange or an unwelcome answer; missing is
// the code for 404 (no such roll, no such picture).
std::int32_t statusFor(const HttpResponse& response, std::int32_t missing);

inline bool succeeded(const HttpResponse& r)
{
    return r.failure == HttpFailure::None && r.status >= 200 && r.status < 300;
}

}  // namespace hf::opc
