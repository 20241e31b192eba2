#pragma once

// One HTTP exchange at a time over libcurl's multi interface, so that the
// running library call can look at its cancel callback between short waits
// instead of only when libcurl's progress callback comes round. One handle
// serves every exchange of a call: it keeps the connection and a Digest
// server's nonce, so each request is sent once, not once to be challenged
// and once more.

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace hf::opc {

struct ProxyChoice {
    std::string host;  // empty: a direct connection
    std::uint16_t port = 0;
    std::string user;
    std::string password;
};

struct Credentials {
    std::string user;
    std::string password;
};

struct HttpRequest {
    std::string method = "GET";
    std::string url;
    std::string userAgent;
    std::vector<std::string> headers;
    std::string body;
    std::optional<std::pair<std::uint64_t, std::uint64_t>> range;  // first and last byte
    std::optional<Credentials> credentials;
    // An answer longer than this fails the exchange before it is held: a
    // declared length is checked first, and the buffer never grows past it.
    std::size_t maxBody = 0;
    // When set, a successful answer's body is handed over piece by piece
    // instead of being held; returning false ends the exchange, which then
    // counts as answered.
    std::function<bool(std::string_view piece)> sink;
    // A whole picture may take longer than any other answer.
    bool wholePicture = false;
};

// How long one exchange may take from its start to its last byte, so that a
// server that drips its answer cannot hold a call for ever. Tests shorten
// them.
struct Deadlines {
    std::chrono::milliseconds answer = std::chrono::minutes(2);
    std::chrono::milliseconds picture = std::chrono::minutes(10);
};
void setDeadlines(Deadlines deadlines);
Deadlines currentDeadlines();

enum class HttpFailure {
    None,
    Cancelled,
    Unreachable,  // no connection, TLS that does not verify, a broken answer, the deadline
    Proxy,        // the proxy cannot be reached or refuses the credentials
    TooLarge,
};

// An answer's body. It grows with realloc, which moves a large block's
// pages instead of copying them: a body near its cap never needs room for
// itself twice, as a std::string's doubling would.
class Body {
public:
    std::size_t size() const { return size_; }
    std::span<const std::uint8_t> bytes() const { return {reinterpret_cast<const std::uint8_t*>(data_.get()), size_}; }
    // Room for exactly this many bytes; false when there is no memory.
    bool reserve(std::size_t capacity);
    // Grows by doubling, never past cap; false when it would pass it.
    bool append(std::span<const std::uint8_t> piece, std::size_t cap);

private:
    struct Free {
        void operator()(void* p) const { std::free(p); }
    };
    std::unique_ptr<char, Free> data_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

struct HttpResponse {
    HttpFailure failure = HttpFailure::None;
    long status = 0;
    Body body;
    std::string redirect;  // absolute target of a 3xx answer
    std::string contentType;
    std::uint64_t fullSize = 0;  // the whole resource's size, when the answer told it
};

// What the running call supplies: its stop test, run between waits of at
// most 100 ms, and the count of bytes received so far in the whole call.
struct CallHooks {
    std::function<bool()> stop;
    std::function<void(std::uint64_t bytes)> received;
};

class HttpClient {
public:
    explicit HttpClient(CallHooks hooks);
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    HttpResponse perform(const HttpRequest& request, const ProxyChoice& proxy);

private:
    struct Handles;
    std::unique_ptr<Handles> handles_;
    CallHooks hooks_;
};

// scheme://host:port of a URL, lower case; empty when it is not http(s).
std::string originOf(const std::string& url);
// The URL with its port written out, so that two spellings of one
// address compare equal.
std::string canonicalUrl(const std::string& url);

}  // namespace hf::opc
