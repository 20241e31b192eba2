#pragma once

// Reading a WebDAV multistatus answer (RFC 4918) and picking the direct
// members of the collection that was asked. Servers differ in namespace
// prefixes, in which properties they send and in how they write hrefs, so
// the answer is read namespace-aware, its root must be DAV's multistatus,
// and every href is resolved against the request's URL before it is trusted.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hf::opc {

struct DavMember {
    std::string name;  // the last path segment, percent-decoded
    bool collection = false;
    std::string contentType;
    std::optional<std::uint64_t> length;
};

// Reads a multistatus answer piece by piece as it arrives, so that neither
// the answer nor its resources are held whole: of the direct members of the
// collection at collectionUrl that `wanted` accepts, only the first `keep`
// in name order stay. Hrefs on another server, outside the collection,
// deeper down, or whose names hold a slash, a NUL or a dot segment are left
// out; the collection itself is not a member of itself, and of two equal
// names the first counts.
class MemberReader {
public:
    MemberReader(const std::string& collectionUrl, std::size_t keep, std::function<bool(const DavMember&)> wanted = {});
    ~MemberReader();
    MemberReader(const MemberReader&) = delete;
    MemberReader& operator=(const MemberReader&) = delete;

    // False once the answer cannot be a multistatus document: its root is
    // something else, it is not XML, nests deeper than any real answer or
    // declares a DTD. Reading may stop there.
    bool feed(std::string_view piece);
    // The kept members sorted by name; nullopt when the whole answer was not
    // a well-formed multistatus document.
    std::optional<std::vector<DavMember>> finish();

    struct State;  // the parser's, known only to it

private:
    std::unique_ptr<State> state_;
};

// The same for an answer held whole.
std::optional<std::vector<DavMember>> readMembers(std::string_view xml, const std::string& collectionUrl,
                                                  std::size_t keep = SIZE_MAX,
                                                  std::function<bool(const DavMember&)> wanted = {});

std::string percentDecode(std::string_view text);
// Every byte except the unreserved characters is percent-encoded.
std::string percentEncode(std::string_view text);

// The request body that asks for just the properties we read.
extern const char* const kPropfindBody;

}  // namespace hf::opc
