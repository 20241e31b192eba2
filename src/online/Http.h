#pragma once

// One HTTP exchange at a time over libcurl's multi interface, so that the
// running library call can look at its cancel callback between short waits
// instead of only when libcurl's progress callback comes round.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
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
    std::size_t maxBody = 0;  // an answer longer than this fails the exchange
};

enum class HttpFailure {
    None,
    Cancelled,
    Unreachable,   // no connection, TLS that does not verify, a broken answer
    Proxy,         // the proxy cannot be reached or refuses the credentials
    TooLarge,
};

struct HttpResponse {
    HttpFailure failure = HttpFailure::None;
    long status = 0;
    std::string body;
    std::string redirect;     // absolute target of a 3xx answer
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
