#include "Call.h"

#include <algorithm>
#include <limits>

namespace hf::opc {

Call::Call(std::int32_t session, ConnectCallback stop, ProgressCallback progress, std::string userAgent)
    // NOLINTNEXTLINE(performance-no-int-to-ptr): the callbacks get the session number as their handle.
    : library_(reinterpret_cast<void*>(std::intptr_t(session))), userAgent_(std::move(userAgent)), stop_(stop),
      progress_(progress),
      http_(CallHooks{[this] { return stopRequested(); }, [this](std::uint64_t bytes) { done_ += bytes; }})
{
}

bool Call::stopRequested()
{
    reportProgress();
    const auto now = std::chrono::steady_clock::now();
    if (stopped_ || !stop_ || now - lastAsked_ < std::chrono::milliseconds(100))
        return stopped_;
    lastAsked_ = now;
    stopped_ = stop_(library_) != 0;
    return stopped_;
}

void Call::finish()
{
    total_ = done_;
    reported_ = ~std::uint64_t(0);
    reportProgress();
}

void Call::reportProgress()
{
    // Before the call knows its total, and with nothing read, a share
    // would mean nothing.
    if (!progress_ || done_ == reported_ || total_ == 0)
        return;
    reported_ = done_;
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint32_t>::max();
    const std::uint64_t total = std::max(total_, done_);
    Progress p{};
    // Past 4 GiB both counts are scaled alike so that their ratio holds.
    const std::uint64_t scale = total > kMax ? total / kMax + 1 : 1;
    p.total = std::uint32_t(total / scale);
    p.done = std::uint32_t(done_ / scale);
    progress_(library_, &p);
}

std::optional<ProxyChoice> Call::askProxy(std::int32_t reason)
{
    const ProxyCallback callback = Store::instance().proxyCallback();
    if (!callback)
        return reason == kProxyAsk ? std::optional<ProxyChoice>(ProxyChoice{}) : std::nullopt;
    ProxyRecord record{};
    if (callback(library_, &record, reason) != 1)
        return reason == kProxyAsk ? std::optional<ProxyChoice>(ProxyChoice{}) : std::nullopt;
    ProxyChoice choice;
    choice.host = record.host ? record.host : "";
    choice.port = record.port;
    choice.user = record.user ? record.user : "";
    choice.password = record.password ? record.password : "";
    return choice;
}

HttpResponse Call::send(HttpRequest request)
{
    if (stopRequested()) {
        HttpResponse cancelled;
        cancelled.failure = HttpFailure::Cancelled;
        return cancelled;
    }
    request.userAgent = userAgent_;
    ProxyChoice proxy = askProxy(kProxyAsk).value_or(ProxyChoice{});
    HttpResponse response = http_.perform(request, proxy);
    if (response.failure == HttpFailure::Proxy && !retried_) {
        retried_ = true;
        if (auto corrected = askProxy(kProxyFailed))
            response = http_.perform(request, *corrected);
    }
    reportProgress();
    return response;
}

HttpResponse Call::propfind(const std::string& url, int depth, std::optional<Credentials> account, MemberReader* reader)
{
    HttpRequest request;
    request.method = "PROPFIND";
    request.url = url;
    request.headers = {"Depth: " + std::to_string(depth)};
    request.body = kPropfindBody;
    request.credentials = std::move(account);
    // A listing is read as it arrives and never held, so only the time it
    // takes bounds it; an answer that is held is a single resource's.
    request.maxBody = reader ? std::size_t{256} << 20 : std::size_t{1} << 20;
    if (reader)
        request.sink = [reader](std::string_view piece) { return reader->feed(piece); };
    return send(std::move(request));
}

std::int32_t statusFor(const HttpResponse& r, std::int32_t missing)
{
    switch (r.failure) {
    case HttpFailure::Cancelled:
        return kCancelled;
    case HttpFailure::Unreachable:
    case HttpFailure::Proxy:
        return kCommunications;
    case HttpFailure::TooLarge:
        return kUnexpectedValue;
    case HttpFailure::None:
        break;
    }
    if (r.status >= 200 && r.status < 300)
        return kOk;
    if (r.status == 401)
        return kBadPassword;
    if (r.status == 403)
        return kAccessDenied;
    if (r.status == 404 || r.status == 410)
        return missing;
    if (r.status == 407)
        return kCommunications;
    if (r.status >= 500)
        return kServerFailed;
    return kUnexpectedValue;
}

}  // namespace hf::opc
