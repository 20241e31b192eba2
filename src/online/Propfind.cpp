#include "Propfind.h"

#include <curl/curl.h>
#include <expat.h>

#include <algorithm>
#include <charconv>
#include <iterator>
#include <map>
#include <memory>

namespace hf::opc {

const char* const kPropfindBody =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<propfind xmlns=\"DAV:\"><prop><resourcetype/><getcontenttype/><getcontentlength/></prop>"
    "</propfind>\n";

namespace {

constexpr int kMaxDepth = 32;
constexpr std::size_t kMaxText = std::size_t{64} * 1024;

struct ParserDeleter {
    void operator()(XML_Parser p) const { XML_ParserFree(p); }
};
struct UrlDeleter {
    void operator()(CURLU* u) const { curl_url_cleanup(u); }
};

// Element names arrive as "namespace-URI name" (the separator is a space).
enum class Element { Other, Response, Href, Propstat, Status, Collection, ContentType, ContentLength };

Element classify(std::string_view n)
{
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

struct MemberReader::State {
    std::unique_ptr<XML_ParserStruct, ParserDeleter> parser;
    std::string collectionUrl;
    std::optional<Parsed> self;
    std::string prefix;  // the collection's path, ending with '/'
    std::size_t keep = 0;
    std::function<bool(const DavMember&)> wanted;
    std::map<std::string, DavMember> kept;

    std::vector<Element> stack;
    bool sawRoot = false;
    bool inResponse = false;
    bool hrefTaken = false;
    bool failed = false;
    std::string href;
    DavMember current;
    // Properties of the current propstat, kept only when its status is 200.
    DavMember pending;
    std::string text;
    std::string status;

    void fail()
    {
        failed = true;
        XML_StopParser(parser.get(), XML_FALSE);
    }
    bool inside(Element e) const { return std::find(stack.begin(), stack.end(), e) != stack.end(); }
    void consider();
};

// One response has ended: its member stays when it is a direct member that
// is wanted and among the first `keep` names. A name pushed out is never
// smaller than those that stay, so a later copy of it cannot come back in.
void MemberReader::State::consider()
{
    const std::string target = trimmed(href);
    if (target.empty() || !self)
        return;
    const auto where = resolve(collectionUrl, target);
    if (!where || where->origin != self->origin)
        return;
    std::string_view path = where->path;
    if (path.size() <= prefix.size() || path.substr(0, prefix.size()) != prefix)
        return;
    std::string_view name = path.substr(prefix.size());
    if (!name.empty() && name.back() == '/')
        name.remove_suffix(1);
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string_view::npos ||
        name.find('\0') != std::string_view::npos)
        return;
    DavMember member{std::string(name), current.collection, trimmed(current.contentType), current.length};
    if (kept.count(member.name) || (wanted && !wanted(member)))
        return;
    if (kept.size() >= keep && (keep == 0 || !(member.name < kept.rbegin()->first)))
        return;
    std::string key = member.name;
    kept.emplace(std::move(key), std::move(member));
    if (kept.size() > keep)
        kept.erase(std::prev(kept.end()));
}

namespace {

using State = MemberReader::State;

void XMLCALL onStart(void* user, const char* name, const char**)
{
    auto& r = *static_cast<State*>(user);
    if (int(r.stack.size()) >= kMaxDepth)
        return r.fail();
    // An HTML page, or any other document, is not an answer of no members.
    if (r.stack.empty()) {
        if (std::string_view(name) != "DAV: multistatus")
            return r.fail();
        r.sawRoot = true;
    }
    const Element e = classify(name);
    r.stack.push_back(e);
    r.text.clear();
    switch (e) {
    case Element::Response:
        if (r.inResponse)
            return r.fail();
        r.inResponse = true;
        r.hrefTaken = false;
        r.href.clear();
        r.current = DavMember{};
        break;
    case Element::Propstat:
        r.pending = DavMember{};
        r.status.clear();
        break;
    case Element::Collection:
        if (r.inside(Element::Propstat))
            r.pending.collection = true;
        break;
    default:
        break;
    }
}

void XMLCALL onEnd(void* user, const char*)
{
    auto& r = *static_cast<State*>(user);
    if (r.stack.empty())
        return r.fail();
    const Element e = r.stack.back();
    r.stack.pop_back();
    if (!r.inResponse)
        return;
    const bool inPropstat = r.inside(Element::Propstat);
    switch (e) {
    case Element::Response:
        r.inResponse = false;
        if (r.hrefTaken)
            r.consider();
        break;
    case Element::Href:
        // The response's own href, not one inside a property value.
        if (!inPropstat && !r.hrefTaken && r.stack.back() == Element::Response) {
            r.href = r.text;
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
            r.current.collection = r.current.collection || r.pending.collection;
            if (!r.pending.contentType.empty())
                r.current.contentType = r.pending.contentType;
            if (r.pending.length)
                r.current.length = r.pending.length;
        }
        break;
    default:
        break;
    }
    r.text.clear();
}

void XMLCALL onText(void* user, const char* s, int len)
{
    auto& r = *static_cast<State*>(user);
    if (r.text.size() + std::size_t(len) > kMaxText)
        return r.fail();
    r.text.append(s, std::size_t(len));
}

// No DTDs: a multistatus answer never needs one, and entity tricks live there.
void XMLCALL onDoctype(void* user, const char*, const char*, const char*, int)
{
    static_cast<State*>(user)->fail();
}

}  // namespace

MemberReader::MemberReader(const std::string& collectionUrl, std::size_t keep,
                           std::function<bool(const DavMember&)> wanted)
    : state_(std::make_unique<State>())
{
    State& s = *state_;
    s.collectionUrl = collectionUrl;
    s.self = resolve(collectionUrl, collectionUrl);
    if (s.self) {
        s.prefix = s.self->path;
        if (s.prefix.empty() || s.prefix.back() != '/')
            s.prefix += '/';
    }
    s.keep = keep;
    s.wanted = std::move(wanted);
    s.parser.reset(XML_ParserCreateNS(nullptr, ' '));
    if (!s.parser) {
        s.failed = true;
        return;
    }
    XML_SetUserData(s.parser.get(), &s);
    XML_SetElementHandler(s.parser.get(), onStart, onEnd);
    XML_SetCharacterDataHandler(s.parser.get(), onText);
    XML_SetStartDoctypeDeclHandler(s.parser.get(), onDoctype);
}

MemberReader::~MemberReader() = default;

bool MemberReader::feed(std::string_view piece)
{
    State& s = *state_;
    // Pieces come from the network a few kilobytes at a time; a longer one
    // is handed over in parts that fit the parser's length type.
    constexpr std::size_t kPart = std::size_t{1} << 20;
    while (!s.failed && !piece.empty()) {
        const std::size_t n = std::min(piece.size(), kPart);
        if (XML_Parse(s.parser.get(), piece.data(), int(n), XML_FALSE) != XML_STATUS_OK)
            s.failed = true;
        piece.remove_prefix(n);
    }
    return !s.failed;
}

std::optional<std::vector<DavMember>> MemberReader::finish()
{
    State& s = *state_;
    if (!s.failed && XML_Parse(s.parser.get(), nullptr, 0, XML_TRUE) != XML_STATUS_OK)
        s.failed = true;
    if (s.failed || !s.sawRoot)
        return std::nullopt;
    std::vector<DavMember> members;
    members.reserve(s.kept.size());
    for (auto& [name, member] : s.kept)
        members.push_back(std::move(member));
    s.kept.clear();
    return members;
}

std::optional<std::vector<DavMember>> readMembers(std::string_view xml, const std::string& collectionUrl,
                                                  std::size_t keep, std::function<bool(const DavMember&)> wanted)
{
    MemberReader reader(collectionUrl, keep, std::move(wanted));
    reader.feed(xml);
    return reader.finish();
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
