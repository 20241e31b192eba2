#pragma once

#include "Profile.h"

#include <optional>
#include <string>

namespace hf {

// The local photo store that scripts/photo-store.sh serves.
inline constexpr const char* kDefaultServer = "http://127.0.0.1:3011/";
inline constexpr int kDefaultServerPort = 3011;
inline constexpr std::size_t kServerHostSize = 104;  // the download state's field

// The server the download opens first: the profile value "Server" in
// section "PhotoNet" when set, else the local photo store. A value that
// the download state's 104-byte field cannot hold is refused (nothing).
std::optional<std::string> defaultServerHost(const Profile& profile);

}  // namespace hf
