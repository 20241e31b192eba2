#include "Propfind.h"

#include <curl/curl.h>
#include <expat.h>

#include <algorithm>
#include <charconv>
#include <memory>
#include <set>

namespace hf::opc {

const char* const kPropfindBody =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<propfind xmlns=\"DAV:\"><prop><resourcetype/><getcontenttype/><getcontentlength/></prop>"
    "</propfind>\n";

namespace {

constexpr int kMaxDepth = 32;
constexpr std::size_t kMaxResources = 100000;

struct ParserDeleter {
    void operator()(XML_Parser p) const { XML_ParserFree(p); }
};
struct UrlDeleter {
    void operator()(CURLU* u) const { curl_url_cleanup(u); }
};

// Element names arrive as "namespace-URI name" (the separator is a space).
enum class Element { Other, Response, Href, Propstat, Status, Collection, ContentType, ContentLength };

Element classify(const char* name)
{
    std::string_view n(name);
    if (n.substr(0, 5) != "DAV: ")
        return Element::Other;
    n.remove_prefix(5);
    if (n == "response")
        return Element::Response;
    if (n == "href")
        return Element::Href;
    if (n == "propstat")
        return Element::Propstat;
    if (n == "status")
        return Element::Status;
    if (n == "collection")
        return Element::Collection;
    if (n == "getcontenttype")
        return Element::ContentType;
    if (n == "getcontentlength")
        return Element::ContentLength;
    return Element::Other;
}

struct Reader {
    XML_Parser parser = nullptr;
    std::vector<DavResource> resources;
    std::vector<Element> stack;
    bool inResponse = false;
    bool hrefTaken = false;
    bool failed = false;
    // Properties of the current propstat, kept only when its status is 200.
    DavResource pending;
    std::string text;
    std::string status;

    void fail()
    {
        failed = true;
        XML_StopParser(parser, XML_FALSE);
    }
};

bool inside(const Reader& r, Element e)
{
    return std::find(r.stack.begin(), r.stack.end(), e) != r.stack.end();
}

void XMLCALL onStart(void* user, const char* name, const char**)
{
    auto& r = *static_cast<Reader*>(user);
    if (int(r.stack.size()) >= kMaxDepth)
        return r.fail();
    const Element e = classify(name);
    r.stack.push_back(e);
    r.text.clear();
    switch (e) {
    case Element::Response:
        if (r.inResponse)
            return r.fail();
        if (r.resources.size() >= kMaxResources)
            return r.fail();
        r.inResponse = true;
        r.hrefTaken = false;
        r.resources.emplace_back();
        break;
    case Element::Propstat:
        r.pending = DavResource{};
        r.status.clear();
        break;
    case Element::Collection:
        if (inside(r, Element::Propstat))
            r.pending.collection = true;
        break;
    default:
        break;
    }
}

void XMLCALL onEnd(void* user, const char*)
{
    auto& r = *static_cast<Reader*>(user);
    if (r.stack.empty())
        return r.fail();
    const Element e = r.stack.back();
    r.stack.pop_back();
    if (!r.inResponse)
        return;
    DavResource& current = r.resources.back();
    const bool inPropstat = inside(r, Element::Propstat);
    switch (e) {
    case Element::Response:
        r.inResponse = false;
        if (!r.hrefTaken)
            r.resources.pop_back();
        break;
    case Element::Href:
        // The response's own href, not one inside a property value.
        if (!inPropstat && !r.hrefTaken && r.stack.back() == Element::Response) {
            current.href = r.text;
            r.hrefTaken = true;
        }
        break;
    case Element::Status:
        if (inPropstat)
            r.status = r.text;
        break;
    case Element::ContentType:
        if (inPropstat)
            r.pending.contentType = r.text;
        break;
    case Element::ContentLength:
        if (inPropstat) {
            std::uint64_t n = 0;
            const auto* b = r.text.data();
            if (std::from_chars(b, b + r.text.size(), n).ec == std::errc())
                r.pending.length = n;
        }
        break;
    case Element::Propstat:
        if (r.status.find(" 200") != std::string::npos) {
            current.collection = current.collection || r.pending.collection;
            if (!r.pending.contentType.empty())
                current.contentType = r.pending.contentType;
            if (r.pending.length)
                current.length = r.pending.length;
        }
        break;
    default:
        break;
    }
    r.text.clear();
}

void XMLCALL onText(void* user, const char* s, int len)
{
    auto& r = *static_cast<Reader*>(user);
    if (r.text.size() + std::size_t(len) > std::size_t{64} * 1024)
        return r.fail();
    r.text.append(s, std::size_t(len));
}

// No DTDs: a multistatus answer never needs one, and entity tricks live there.
void XMLCALL onDoctype(void* user, const char*, const char*, const char*, int)
{
    static_cast<Reader*>(user)->fail();
}

std::string trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r' || s.front() == '\n'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return std::string(s);
}

struct Parsed {
    std::string origin;
    std::string path;  // percent-decoded
};

std::optional<Parsed> resolve(const std::string& base, const std::string& href)
{
    std::unique_ptr<CURLU, UrlDeleter> u(curl_url());
    if (!u || curl_url_set(u.get(), CURLUPART_URL, base.c_str(), 0) != CURLUE_OK)
        return std::nullopt;
    if (curl_url_set(u.get(), CURLUPART_URL, href.c_str(), 0) != CURLUE_OK)
        return std::nullopt;
    char* scheme = nullptr;
    char* host = nullptr;
    char* port = nullptr;
    char* path = nullptr;
    std::optional<Parsed> out;
    if (curl_url_get(u.get(), CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK &&
        curl_url_get(u.get(), CURLUPART_HOST, &host, 0) == CURLUE_OK &&
        curl_url_get(u.get(), CURLUPART_PORT, &port, CURLU_DEFAULT_PORT) == CURLUE_OK &&
        curl_url_get(u.get(), CURLUPART_PATH, &path, 0) == CURLUE_OK) {
        std::string origin = std::string(scheme) + "://" + host + ":" + port;
        std::transform(origin.begin(), origin.end(), origin.begin(),
                       [](unsigned char c) { return char(std::tolower(c)); });
        out = Parsed{origin, percentDecode(path)};
    }
    curl_free(scheme);
    curl_free(host);
    curl_free(port);
    curl_free(path);
    return out;
}

}  // namespace

std::optional<std::vector<DavResource>> parseMultistatus(std::string_view xml)
{
    Reader reader;
    std::unique_ptr<XML_ParserStruct, ParserDeleter> parser(XML_ParserCreateNS(nullptr, ' '));
    if (!parser)
        return std::nullopt;
    reader.parser = parser.get();
    XML_SetUserData(parser.get(), &reader);
    XML_SetElementHandler(parser.get(), onStart, onEnd);
    XML_SetCharacterDataHandler(parser.get(), onText);
    XML_SetStartDoctypeDeclHandler(parser.get(), onDoctype);
    bool sawMultistatus = xml.find("multistatus") != std::string_view::npos;
    const auto status = XML_Parse(parser.get(), xml.data(), int(std::min<std::size_t>(xml.size(), INT32_MAX)), XML_TRUE);
    if (status != XML_STATUS_OK || reader.failed || !sawMultistatus)
        return std::nullopt;
    for (auto& r : reader.resources) {
        r.href = trimmed(r.href);
        r.contentType = trimmed(r.contentType);
    }
    return std::move(reader.resources);
}

std::vector<DavMember> directMembers(const std::vector<DavResource>& resources,
                                     const std::string& collectionUrl)
{
    std::vector<DavMember> members;
    const auto self = resolve(collectionUrl, collectionUrl);
    if (!self)
        return members;
    std::string prefix = self->path;
    if (prefix.empty() || prefix.back() != '/')
        prefix += '/';
    std::set<std::string> seen;
    for (const auto& r : resources) {
        if (r.href.empty())
            continue;
        const auto where = resolve(collectionUrl, r.href);
        if (!where || where->origin != self->origin)
            continue;
        std::string_view path = where->path;
        if (path.size() <= prefix.size() || path.substr(0, prefix.size()) != prefix)
            continue;
        std::string_view name = path.substr(prefix.size());
        if (!name.empty() && name.back() == '/')
            name.remove_suffix(1);
        if (name.empty() || name == "." || name == ".." || name.find('/') != std::string_view::npos ||
            name.find('\0') != std::string_view::npos)
            continue;
        if (!seen.insert(std::string(name)).second)
            continue;
        members.push_back({std::string(name), r.collection, r.contentType, r.length});
    }
    std::sort(members.begin(), members.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
    return members;
}

std::string percentDecode(std::string_view text)
{
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
            out += char(hex(text[i + 1]) * 16 + hex(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string percentEncode(std::string_view text)
{
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
            out += char(c);
        } else {
            out += '%';
            out += digits[c >> 4];
            out += digits[c & 15];
        }
    }
    return out;
}

}  // namespace hf::opc
