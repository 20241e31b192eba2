#include "Store.h"

#include "Propfind.h"

namespace hf::opc {

Store& Store::instance()
{
    static Store store;
    return store;
}

std::int32_t Store::open(Session session)
{
    std::lock_guard lock(mutex_);
    // Handles are never 0 (the workflow's "no session") and never reused
    // while open.
    while (next_ <= 0 || sessions_.count(next_))
        next_ = next_ <= 0 ? 1 : next_ + 1;
    const std::int32_t handle = next_++;
    sessions_[handle] = std::move(session);
    return handle;
}

std::optional<Session> Store::session(std::int32_t handle) const
{
    std::lock_guard lock(mutex_);
    auto it = sessions_.find(handle);
    if (it == sessions_.end())
        return std::nullopt;
    return it->second;
}

bool Store::close(std::int32_t handle)
{
    std::lock_guard lock(mutex_);
    return sessions_.erase(handle) > 0;
}

void Store::setProxyCallback(ProxyCallback callback)
{
    std::lock_guard lock(mutex_);
    proxy_ = callback;
}

ProxyCallback Store::proxyCallback() const
{
    std::lock_guard lock(mutex_);
    return proxy_;
}

void Store::listed(const std::string& baseUrl, const Credentials& account,
                   std::map<std::string, std::string> realByShown)
{
    std::lock_guard lock(mutex_);
    account_ = account;
    trusted_ = {originOf(baseUrl)};
    realByShown_ = std::move(realByShown);
    moved_.clear();
}

void Store::moved(const std::string& locationBase, const std::string& shownName, const std::string& rollUrl)
{
    std::lock_guard lock(mutex_);
    trusted_.insert(originOf(rollUrl));
    moved_[{canonicalUrl(locationBase), shownName}] = rollUrl;
}

std::optional<Credentials> Store::accountFor(const std::string& url) const
{
    std::lock_guard lock(mutex_);
    const std::string origin = originOf(url);
    if (!account_ || (account_->user.empty() && account_->password.empty()) || origin.empty() ||
        !trusted_.count(origin))
        return std::nullopt;
    return account_;
}

std::string Store::rollUrl(const std::string& baseUrl, const std::string& shownName) const
{
    std::lock_guard lock(mutex_);
    if (auto it = moved_.find({canonicalUrl(baseUrl), shownName}); it != moved_.end())
        return it->second;
    auto real = realByShown_.find(shownName);
    const std::string& name = real == realByShown_.end() ? shownName : real->second;
    return baseUrl + percentEncode(name) + "/";
}

std::string userAgentFor(const char* partnerId)
{
    std::string agent = "Handfolio/2.6";
    if (partnerId && *partnerId) {
        // Only printable ASCII goes into a header line.
        agent += " (";
        for (const char* c = partnerId; *c; ++c)
            agent += (*c >= 0x20 && *c < 0x7F) ? *c : '_';
        agent += ")";
    }
    return agent;
}

bool isValidUtf8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t n = 0;
        std::uint32_t cp = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            n = 1;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            n = 2;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            n = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + n >= text.size())
            return false;
        for (std::size_t k = 1; k <= n; ++k) {
            const auto d = static_cast<unsigned char>(text[i + k]);
            if ((d & 0xC0) != 0x80)
                return false;
            cp = cp << 6 | (d & 0x3F);
        }
        const std::uint32_t least[] = {0, 0x80, 0x800, 0x10000};
        if (cp < least[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += n + 1;
    }
    return true;
}

namespace {

// The longest prefix of at most limit bytes that ends on a character boundary.
std::string cutUtf8(const std::string& text, std::size_t limit)
{
    if (text.size() <= limit)
        return text;
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

}  // namespace

std::string visibleText(std::string_view text)
{
    auto put = [](std::string& out, std::uint32_t cp) {
        out += char(0xE0 | cp >> 12);
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    };
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const std::size_t n = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        std::uint32_t cp = n == 1 ? c : n == 2 ? c & 0x1F : n == 3 ? c & 0x0F : c & 0x07;
        for (std::size_t k = 1; k < n && i + k < text.size(); ++k)
            cp = cp << 6 | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        // Controls show as their pictures (a line break as U+240A); the
        // marks and overrides that turn text around, and the C1 controls,
        // become U+FFFD.
        if (cp < 0x20)
            put(out, 0x2400 + cp);
        else if (cp == 0x7F)
            put(out, 0x2421);
        else if ((cp >= 0x80 && cp <= 0x9F) || cp == 0x061C || cp == 0x200E || cp == 0x200F ||
                 (cp >= 0x2028 && cp <= 0x202E) || (cp >= 0x2066 && cp <= 0x2069))
            put(out, 0xFFFD);
        else
            out.append(text.substr(i, n));
        i += n;
    }
    return out;
}

std::vector<std::string> shownRollNames(const std::vector<std::string>& realNames)
{
    constexpr std::size_t kLimit = kRollNameSize - 1;
    std::vector<std::string> visible;
    visible.reserve(realNames.size());
    for (const auto& name : realNames)
        visible.push_back(visibleText(name));
    // A name that fits and shows as it is keeps its own; the others are
    // cut or numbered around those.
    std::set<std::string> used;
    for (std::size_t i = 0; i < realNames.size(); ++i)
        if (visible[i] == realNames[i] && visible[i].size() <= kLimit)
            used.insert(visible[i]);
    std::vector<std::string> shown;
    shown.reserve(realNames.size());
    for (std::size_t i = 0; i < realNames.size(); ++i) {
        const std::string& name = visible[i];
        if (name == realNames[i] && name.size() <= kLimit) {
            shown.push_back(name);
            continue;
        }
        std::string candidate = cutUtf8(name, kLimit);
        for (int k = 2; used.count(candidate); ++k) {
            const std::string suffix = "~" + std::to_string(k);
            candidate = cutUtf8(name, kLimit - suffix.size()) + suffix;
        }
        used.insert(candidate);
        shown.push_back(candidate);
    }
    return shown;
}

}  // namespace hf::opc
