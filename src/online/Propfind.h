#pragma once

// Reading a WebDAV multistatus answer (RFC 4918) and picking the direct
// members of the collection that was asked. Servers differ in namespace
// prefixes, in which properties they send and in how they write hrefs, so
// the answer is read namespace-aware and every href is resolved against the
// request's URL before it is trusted.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hf::opc {

struct DavResource {
    std::string href;  // as the server wrote it
    bool collection = false;
    std::string contentType;
    std::optional<std::uint64_t> length;
};

// The answer's resources; nullopt when it is not a well-formed multistatus
// document, nests deeper than any real answer, or declares a DTD.
std::optional<std::vector<DavResource>> parseMultistatus(std::string_view xml);

struct DavMember {
    std::string name;  // the last path segment, percent-decoded
    bool collection = false;
    std::string contentType;
    std::optional<std::uint64_t> length;
};

// The direct members of the collection at collectionUrl, sorted by name.
// Hrefs on another server, outside the collection, deeper down, or whose
// names hold a slash, a NUL or a dot segment are left out; the collection
// itself is not a member of itself.
std::vector<DavMember> directMembers(const std::vector<DavResource>& resources,
                                     const std::string& collectionUrl);

std::string percentDecode(std::string_view text);
// Every byte except the unreserved characters is percent-encoded.
std::string percentEncode(std::string_view text);

// The request body that asks for just the properties we read.
extern const char* const kPropfindBody;

}  // namespace hf::opc
