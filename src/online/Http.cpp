#include "Http.h"

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <charconv>
#include <cstring>
#include <map>
#include <mutex>

namespace hf::opc {
namespace {

struct EasyDeleter {
    void operator()(CURL* h) const { curl_easy_cleanup(h); }
};
struct MultiDeleter {
    void operator()(CURLM* h) const { curl_multi_cleanup(h); }
};
struct ListDeleter {
    void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};
struct UrlDeleter {
    void operator()(CURLU* u) const { curl_url_cleanup(u); }
};

std::atomic<long long> answerMs{Deadlines{}.answer.count()};
std::atomic<long long> pictureMs{Deadlines{}.picture.count()};

// libcurl is set up once for the process, before any thread uses it.
void globalInit()
{
    static const bool done = [] { return curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; }();
    (void)done;
}

// The authentication scheme each server asked for, so that later requests
// send Basic credentials at once instead of probing every time.
std::mutex authMutex;
std::map<std::string, long> authByOrigin;

long authFor(const std::string& origin)
{
    std::lock_guard lock(authMutex);
    auto it = authByOrigin.find(origin);
    return it == authByOrigin.end() ? long(CURLAUTH_BASIC | CURLAUTH_DIGEST) : it->second;
}

void rememberAuth(const std::string& origin, long available)
{
    if (available == 0)
        return;
    std::lock_guard lock(authMutex);
    authByOrigin[origin] = (available & CURLAUTH_DIGEST) ? long(CURLAUTH_DIGEST) : long(CURLAUTH_BASIC);
}

struct Exchange {
    CURL* easy = nullptr;
    HttpResponse* response = nullptr;
    const CallHooks* hooks = nullptr;
    const HttpRequest* request = nullptr;
    std::size_t maxBody = 0;
    std::uint64_t taken = 0;  // body bytes of the successful answer
    bool started = false;
    bool wanted = false;  // a successful answer: its body is kept
    bool tooLarge = false;
    bool sinkDone = false;
};

// The first piece of an answer's body: only a successful answer's body is
// kept, and one that declares more than the cap is refused before any of
// it is held.
bool startBody(Exchange& x)
{
    x.started = true;
    long status = 0;
    curl_easy_getinfo(x.easy, CURLINFO_RESPONSE_CODE, &status);
    x.wanted = status >= 200 && status < 300;
    if (!x.wanted)
        return true;
    curl_off_t declared = -1;
    curl_easy_getinfo(x.easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &declared);
    if (declared > 0 && std::uint64_t(declared) > x.maxBody) {
        x.tooLarge = true;
        return false;
    }
    if (declared > 0 && !x.request->sink && !x.response->body.reserve(std::size_t(declared))) {
        x.tooLarge = true;
        return false;
    }
    return true;
}

size_t onBody(char* data, size_t, size_t size, void* user)
{
    auto* x = static_cast<Exchange*>(user);
    if (!x->started && !startBody(*x))
        return 0;
    if (x->hooks->received)
        x->hooks->received(size);
    // Error pages and redirect notes are never read.
    if (!x->wanted)
        return size;
    if (x->taken + size > x->maxBody) {
        x->tooLarge = true;
        return 0;
    }
    x->taken += size;
    if (x->request->sink) {
        if (!x->request->sink(std::string_view(data, size))) {
            x->sinkDone = true;
            return 0;
        }
        return size;
    }
    if (!x->response->body.append({reinterpret_cast<const std::uint8_t*>(data), size}, x->maxBody)) {
        x->tooLarge = true;
        return 0;
    }
    return size;
}

bool startsWithNoCase(std::string_view line, std::string_view prefix)
{
    if (line.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(line[i])) != prefix[i])
            return false;
    return true;
}

// "Content-Range: bytes 0-32767/5012345" tells the whole file's size.
size_t onHeader(char* data, size_t, size_t size, void* user)
{
    auto* x = static_cast<Exchange*>(user);
    std::string_view line(data, size);
    // Each answer of the exchange (a challenge, then the real one) starts
    // with its status line; only the last one's body may be kept.
    if (startsWithNoCase(line, "http/"))
        x->started = false;
    if (startsWithNoCase(line, "content-range:")) {
        const auto slash = line.find('/');
        if (slash != std::string_view::npos) {
            std::uint64_t total = 0;
            const char* begin = line.data() + slash + 1;
            if (std::from_chars(begin, line.data() + line.size(), total).ec == std::errc())
                x->response->fullSize = total;
        }
    }
    return size;
}

bool isProxyError(CURLcode code)
{
    return code == CURLE_COULDNT_RESOLVE_PROXY || code == CURLE_PROXY;
}

}  // namespace

bool Body::reserve(std::size_t capacity)
{
    if (capacity <= capacity_)
        return true;
    void* grown = std::realloc(data_.get(), capacity);
    if (!grown)
        return false;
    // realloc took the old block over; it must not be freed again.
    static_cast<void>(data_.release());
    data_.reset(static_cast<char*>(grown));
    capacity_ = capacity;
    return true;
}

bool Body::append(std::span<const std::uint8_t> piece, std::size_t cap)
{
    if (size_ + piece.size() > cap)
        return false;
    if (size_ + piece.size() > capacity_ && !reserve(std::min(cap, std::max(size_ + piece.size(), capacity_ * 2))))
        return false;
    if (!piece.empty())
        std::memcpy(data_.get() + size_, piece.data(), piece.size());
    size_ += piece.size();
    return true;
}

struct HttpClient::Handles {
    std::unique_ptr<CURLM, MultiDeleter> multi;
    std::unique_ptr<CURL, EasyDeleter> easy;
};

HttpClient::HttpClient(CallHooks hooks) : handles_(std::make_unique<Handles>()), hooks_(std::move(hooks))
{
    globalInit();
    handles_->multi.reset(curl_multi_init());
    handles_->easy.reset(curl_easy_init());
}

HttpClient::~HttpClient() = default;

HttpResponse HttpClient::perform(const HttpRequest& request, const ProxyChoice& proxy)
{
    HttpResponse response;
    CURL* easy = handles_->easy.get();
    CURLM* multi = handles_->multi.get();
    if (!easy || !multi) {
        response.failure = HttpFailure::Unreachable;
        return response;
    }
    // No reset between exchanges: it would drop a Digest server's nonce.
    // Every option a request sets is set again, or cleared, for each one.
    Exchange exchange{easy, &response, &hooks_, &request, request.maxBody ? request.maxBody : std::size_t(1) << 30};
    const std::string origin = originOf(request.url);
    const Deadlines limits = currentDeadlines();

    curl_easy_setopt(easy, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(easy, CURLOPT_USERAGENT, request.userAgent.c_str());
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, 30L);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, 60L);
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, long((request.wholePicture ? limits.picture : limits.answer).count()));
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &exchange);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &exchange);
    // HTTPGET undoes an earlier exchange's body and NOBODY.
    curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(easy, CURLOPT_NOBODY, request.method == "HEAD" ? 1L : 0L);
    const bool custom = request.method != "GET" && request.method != "HEAD";
    curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, custom ? request.method.c_str() : nullptr);
    if (!request.body.empty()) {
        curl_easy_setopt(easy, CURLOPT_POSTFIELDS, request.body.c_str());
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE, long(request.body.size()));
    }
    std::string range;
    if (request.range)
        range = std::to_string(request.range->first) + "-" + std::to_string(request.range->second);
    curl_easy_setopt(easy, CURLOPT_RANGE, request.range ? range.c_str() : nullptr);
    std::unique_ptr<curl_slist, ListDeleter> headers;
    for (const auto& h : request.headers)
        headers.reset(curl_slist_append(headers.release(), h.c_str()));
    if (!request.body.empty())
        headers.reset(curl_slist_append(headers.release(), "Content-Type: application/xml; charset=utf-8"));
    // An empty Expect keeps small bodies from waiting for a 100 answer.
    headers.reset(curl_slist_append(headers.release(), "Expect:"));
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers.get());

    curl_easy_setopt(easy, CURLOPT_USERNAME, request.credentials ? request.credentials->user.c_str() : nullptr);
    curl_easy_setopt(easy, CURLOPT_PASSWORD, request.credentials ? request.credentials->password.c_str() : nullptr);
    curl_easy_setopt(easy, CURLOPT_HTTPAUTH, request.credentials ? authFor(origin) : long(CURLAUTH_BASIC));

    // An empty proxy string turns off the proxy variables of the environment
    // too; a set proxy is always used, whatever no_proxy says.
    if (proxy.host.empty()) {
        curl_easy_setopt(easy, CURLOPT_PROXY, "");
        curl_easy_setopt(easy, CURLOPT_PROXYUSERNAME, nullptr);
        curl_easy_setopt(easy, CURLOPT_PROXYPASSWORD, nullptr);
    } else {
        curl_easy_setopt(easy, CURLOPT_PROXY, proxy.host.c_str());
        curl_easy_setopt(easy, CURLOPT_PROXYPORT, long(proxy.port));
        curl_easy_setopt(easy, CURLOPT_PROXYTYPE, long(CURLPROXY_HTTP));
        curl_easy_setopt(easy, CURLOPT_NOPROXY, "");
        if (!proxy.user.empty()) {
            curl_easy_setopt(easy, CURLOPT_PROXYUSERNAME, proxy.user.c_str());
            curl_easy_setopt(easy, CURLOPT_PROXYPASSWORD, proxy.password.c_str());
            curl_easy_setopt(easy, CURLOPT_PROXYAUTH, long(CURLAUTH_BASIC));
        } else {
            curl_easy_setopt(easy, CURLOPT_PROXYUSERNAME, nullptr);
            curl_easy_setopt(easy, CURLOPT_PROXYPASSWORD, nullptr);
        }
    }

    curl_multi_add_handle(multi, easy);
    CURLcode result = CURLE_OK;
    bool finished = false;
    while (!finished) {
        if (hooks_.stop && hooks_.stop()) {
            response.failure = HttpFailure::Cancelled;
            break;
        }
        int running = 0;
        curl_multi_perform(multi, &running);
        int queued = 0;
        while (CURLMsg* msg = curl_multi_info_read(multi, &queued)) {
            if (msg->msg == CURLMSG_DONE && msg->easy_handle == easy) {
                result = msg->data.result;
                finished = true;
            }
        }
        if (!finished)
            curl_multi_poll(multi, nullptr, 0, 100, nullptr);
    }
    curl_multi_remove_handle(multi, easy);
    // Nothing the handle points at outlives this exchange.
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, nullptr);
    curl_easy_setopt(easy, CURLOPT_RANGE, nullptr);
    curl_easy_setopt(easy, CURLOPT_POSTFIELDS, nullptr);
    if (exchange.sinkDone && result == CURLE_WRITE_ERROR)
        result = CURLE_OK;
    if (response.failure == HttpFailure::Cancelled)
        return response;

    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &response.status);
    long connectCode = 0;
    curl_easy_getinfo(easy, CURLINFO_HTTP_CONNECTCODE, &connectCode);
    const bool viaProxy = !proxy.host.empty();
    if (exchange.tooLarge) {
        response.failure = HttpFailure::TooLarge;
    } else if (viaProxy && (connectCode == 407 || response.status == 407 || isProxyError(result) ||
                            (result == CURLE_COULDNT_CONNECT && connectCode == 0 && response.status == 0))) {
        response.failure = HttpFailure::Proxy;
    } else if (result != CURLE_OK) {
        response.failure = HttpFailure::Unreachable;
    }
    if (response.failure != HttpFailure::None)
        return response;

    if (request.credentials && response.status != 401) {
        long used = 0;
        curl_easy_getinfo(easy, CURLINFO_HTTPAUTH_AVAIL, &used);
        rememberAuth(origin, used);
    }
    char* type = nullptr;
    if (curl_easy_getinfo(easy, CURLINFO_CONTENT_TYPE, &type) == CURLE_OK && type)
        response.contentType = type;
    char* target = nullptr;
    if (response.status >= 300 && response.status < 400 &&
        curl_easy_getinfo(easy, CURLINFO_REDIRECT_URL, &target) == CURLE_OK && target)
        response.redirect = target;
    if (response.fullSize == 0 && response.status == 200)
        response.fullSize = exchange.taken;
    return response;
}

void setDeadlines(Deadlines deadlines)
{
    answerMs = deadlines.answer.count();
    pictureMs = deadlines.picture.count();
}

Deadlines currentDeadlines()
{
    return {std::chrono::milliseconds(answerMs.load()), std::chrono::milliseconds(pictureMs.load())};
}

std::string originOf(const std::string& url)
{
    std::unique_ptr<CURLU, UrlDeleter> u(curl_url());
    if (!u || curl_url_set(u.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK)
        return {};
    char* scheme = nullptr;
    char* host = nullptr;
    char* port = nullptr;
    std::string origin;
    if (curl_url_get(u.get(), CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK &&
        curl_url_get(u.get(), CURLUPART_HOST, &host, 0) == CURLUE_OK &&
        curl_url_get(u.get(), CURLUPART_PORT, &port, CURLU_DEFAULT_PORT) == CURLUE_OK) {
        std::string s = scheme;
        std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
        std::string h = host;
        std::transform(h.begin(), h.end(), h.begin(), [](unsigned char c) { return std::tolower(c); });
        if (s == "http" || s == "https")
            origin = s + "://" + h + ":" + port;
    }
    curl_free(scheme);
    curl_free(host);
    curl_free(port);
    return origin;
}

std::string canonicalUrl(const std::string& url)
{
    std::unique_ptr<CURLU, UrlDeleter> u(curl_url());
    char* full = nullptr;
    if (!u || curl_url_set(u.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK ||
        curl_url_get(u.get(), CURLUPART_URL, &full, CURLU_DEFAULT_PORT) != CURLUE_OK)
        return url;
    std::string out = full;
    curl_free(full);
    return out;
}

}  // namespace hf::opc
