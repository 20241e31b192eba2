#pragma once

// What the library remembers between calls: the open sessions, the proxy
// callback, and from the last successful roll listing the account, the
// servers it may be sent to, the rolls' shown names and the rolls that
// moved. Everything is behind one lock; calls come from one worker at a time
// but the handles may be closed from the user-interface thread.

#include "Http.h"
#include "OpcClient.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace hf::opc {

struct Session {
    std::string hostText;  // as OpcInit was given it
    std::uint16_t port = 0;
    std::string baseUrl;    // ends with '/'
    std::string userAgent;  // the program and the partner identifier
};

std::string userAgentFor(const char* partnerId);

class Store {
public:
    static Store& instance();

    std::int32_t open(Session session);
    std::optional<Session> session(std::int32_t handle) const;
    bool close(std::int32_t handle);

    void setProxyCallback(ProxyCallback callback);
    ProxyCallback proxyCallback() const;

    // A listing succeeded: its account goes to its own server from now on,
    // and the shown names map back to the collections' real names.
    void listed(const std::string& baseUrl, const Credentials& account, std::map<std::string, std::string> realByShown);
    // A roll location that the library reported: its server is trusted
    // with the account too.
    void moved(const std::string& locationBase, const std::string& shownName, const std::string& rollUrl);

    // The account, when url lies on a server it may be sent to.
    std::optional<Credentials> accountFor(const std::string& url) const;
    // The collection URL of a roll as the session at baseUrl sees it.
    std::string rollUrl(const std::string& baseUrl, const std::string& shownName) const;

private:
    mutable std::mutex mutex_;
    std::map<std::int32_t, Session> sessions_;
    std::int32_t next_ = 1;
    ProxyCallback proxy_ = nullptr;
    std::optional<Credentials> account_;
    std::set<std::string> trusted_;
    std::map<std::string, std::string> realByShown_;
    std::map<std::pair<std::string, std::string>, std::string> moved_;
};

// Shown names for the rolls: controls and the characters that reorder text
// made visible or replaced (visibleText), each fitting 99 bytes, cut on a
// UTF-8 character boundary, and no two equal. Names that fit and show as
// they are keep their own.
std::vector<std::string> shownRollNames(const std::vector<std::string>& realNames);
// Valid UTF-8 with its control characters shown as their pictures and its
// direction marks, overrides and isolates replaced, so that a name can
// neither break a line nor turn the text around it.
std::string visibleText(std::string_view text);
bool isValidUtf8(std::string_view text);

}  // namespace hf::opc
