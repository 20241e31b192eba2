#include "OpcClient.h"

#include "Call.h"
#include "Propfind.h"
#include "Store.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace hf::opc {
namespace {

struct UrlDeleter {
    void operator()(CURLU* u) const { curl_url_cleanup(u); }
};

// A host argument is a URL, or a plain host name that means
// http://host:port/. A URL keeps its own port, or its scheme's: the
// workflow opens the first session with port 3011 whatever the store's
// address, and a Nextcloud at https://cloud.example/ is not on 3011.
std::optional<std::string> baseUrlFor(const char* host, std::uint16_t port)
{
    if (!host || !*host)
        return std::nullopt;
    std::string text = host;
    if (text.find("://") == std::string::npos)
        text = "http://" + text + ":" + std::to_string(port) + "/";
    std::unique_ptr<CURLU, UrlDeleter> u(curl_url());
    if (!u || curl_url_set(u.get(), CURLUPART_URL, text.c_str(), 0) != CURLUE_OK)
        return std::nullopt;
    char* scheme = nullptr;
    curl_url_get(u.get(), CURLUPART_SCHEME, &scheme, 0);
    const bool web = scheme && (std::strcmp(scheme, "http") == 0 || std::strcmp(scheme, "https") == 0);
    curl_free(scheme);
    if (!web)
        return std::nullopt;
    curl_url_set(u.get(), CURLUPART_QUERY, nullptr, 0);
    curl_url_set(u.get(), CURLUPART_FRAGMENT, nullptr, 0);
    char* full = nullptr;
    if (curl_url_get(u.get(), CURLUPART_URL, &full, 0) != CURLUE_OK)
        return std::nullopt;
    std::string base = full;
    curl_free(full);
    if (base.back() != '/')
        base += '/';
    return base;
}

// The collection that holds a redirect target, and its port.
std::optional<std::pair<std::string, std::uint16_t>> parentOf(const std::string& target)
{
    std::unique_ptr<CURLU, UrlDeleter> u(curl_url());
    if (!u || curl_url_set(u.get(), CURLUPART_URL, target.c_str(), 0) != CURLUE_OK)
        return std::nullopt;
    char* path = nullptr;
    char* port = nullptr;
    char* scheme = nullptr;
    std::optional<std::pair<std::string, std::uint16_t>> out;
    if (curl_url_get(u.get(), CURLUPART_PATH, &path, 0) == CURLUE_OK &&
        curl_url_get(u.get(), CURLUPART_PORT, &port, CURLU_DEFAULT_PORT) == CURLUE_OK &&
        curl_url_get(u.get(), CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK &&
        (std::strcmp(scheme, "http") == 0 || std::strcmp(scheme, "https") == 0)) {
        std::string p = path;
        while (!p.empty() && p.back() == '/')
            p.pop_back();
        p = p.substr(0, p.rfind('/') + 1);
        if (p.empty())
            p = "/";
        curl_url_set(u.get(), CURLUPART_PATH, p.c_str(), 0);
        curl_url_set(u.get(), CURLUPART_QUERY, nullptr, 0);
        curl_url_set(u.get(), CURLUPART_FRAGMENT, nullptr, 0);
        char* full = nullptr;
        if (curl_url_get(u.get(), CURLUPART_URL, &full, 0) == CURLUE_OK) {
            out = std::make_pair(std::string(full), std::uint16_t(std::stoi(port)));
            curl_free(full);
        }
    }
    curl_free(path);
    curl_free(port);
    curl_free(scheme);
    return out;
}

}  // namespace

std::int32_t OpcSetProxyCallback(ProxyCallback callback)
{
    Store::instance().setProxyCallback(callback);
    return kOk;
}

std::int32_t OpcInit(ConnectCallback callback, std::int32_t, const char* host, std::uint16_t port,
                     const char* partnerId, const char*, std::int32_t* session)
{
    if (!session)
        return kUnexpectedValue;
    *session = 0;
    const auto base = baseUrlFor(host, port);
    if (!base)
        return kUnexpectedValue;
    // Any HTTP answer, even one that asks for credentials, shows that the
    // server is there.
    const std::string agent = userAgentFor(partnerId);
    Call call(0, callback, nullptr, agent);
    HttpRequest request;
    request.method = "OPTIONS";
    request.url = *base;
    request.maxBody = 1u << 20;
    const HttpResponse r = call.send(request);
    if (r.failure != HttpFailure::None && r.failure != HttpFailure::TooLarge)
        return statusFor(r, kUnexpectedValue);
    *session = Store::instance().open(Session{host, port, *base, agent});
    return kOk;
}

std::int32_t OpcListRelatedFilms(std::int32_t handle, ConnectCallback callback, std::int32_t, std::int32_t capacity,
                                 RollEntry* rolls, RollListRequest* request)
{
    const auto session = Store::instance().session(handle);
    if (!session)
        return kBadHandle;
    if (!request || (!rolls && capacity > 0))
        return kUnexpectedValue;
    request->rollCount = 0;
    const Credentials account{request->email ? request->email : "", request->password ? request->password : ""};
    Call call(handle, callback, nullptr, session->userAgent);
    // A store with more collections than a roll list holds keeps its first
    // ones by name; the rest are skipped as they stream past.
    MemberReader reader(session->baseUrl, std::size_t(std::clamp(capacity, 0, kMaxRolls)),
                        [](const DavMember& m) { return m.collection && isValidUtf8(m.name); });
    // An empty account is no account: nothing to send, not even when asked.
    const HttpResponse r = call.propfind(
        session->baseUrl, 1,
        account.user.empty() && account.password.empty() ? std::nullopt : std::optional<Credentials>(account), &reader);
    if (const std::int32_t status = statusFor(r, kNoSuchFilm); status != kOk)
        return status;
    const auto members = reader.finish();
    if (!members)
        return kUnexpectedValue;
    std::vector<std::string> names;
    for (const auto& m : *members)
        names.push_back(m.name);
    const auto shown = shownRollNames(names);
    std::map<std::string, std::string> realByShown;
    for (std::size_t i = 0; i < names.size(); ++i) {
        std::memset(rolls[i].name, 0, sizeof rolls[i].name);
        std::memcpy(rolls[i].name, shown[i].data(), std::min(shown[i].size(), sizeof rolls[i].name - 1));
        realByShown[shown[i]] = names[i];
    }
    request->rollCount = std::int32_t(names.size());
    Store::instance().listed(session->baseUrl, account, std::move(realByShown));
    return kOk;
}

std::int32_t OpcGetFilmLocation(std::int32_t handle, ConnectCallback callback, const char* rollName,
                                RollLocation* location)
{
    const auto session = Store::instance().session(handle);
    if (!session)
        return kBadHandle;
    if (!rollName || !location || !*rollName)
        return kUnexpectedValue;
    auto& store = Store::instance();
    const std::string url = store.rollUrl(session->baseUrl, rollName);
    Call call(handle, callback, nullptr, session->userAgent);
    const HttpResponse r = call.propfind(url, 0, store.accountFor(url));
    if (r.failure == HttpFailure::None && r.status >= 300 && r.status < 400 && !r.redirect.empty()) {
        const auto parent = parentOf(r.redirect);
        if (!parent)
            return kUnexpectedValue;
        if (parent->first.size() >= sizeof location->host)
            return kLocationTooLong;
        std::string target = r.redirect;
        if (target.back() != '/')
            target += '/';
        std::memset(location->host, 0, sizeof location->host);
        std::memcpy(location->host, parent->first.data(), parent->first.size());
        location->port = parent->second;
        store.moved(parent->first, rollName, target);
        return kOk;
    }
    if (const std::int32_t status = statusFor(r, kNoSuchFilm); status != kOk)
        return status;
    // The roll has not moved: the same host text and port, byte for byte, so
    // the workflow keeps its session.
    if (session->hostText.size() >= sizeof location->host)
        return kLocationTooLong;
    std::memset(location->host, 0, sizeof location->host);
    std::memcpy(location->host, session->hostText.data(), session->hostText.size());
    location->port = session->port;
    return kOk;
}

std::int32_t OpcActivityMode(std::int32_t handle, ConnectCallback, std::int32_t, std::int32_t, std::int32_t)
{
    return Store::instance().session(handle) ? kOk : kBadHandle;
}

std::int32_t OpcClose(std::int32_t handle)
{
    return Store::instance().close(handle) ? kOk : kBadHandle;
}

}  // namespace hf::opc
