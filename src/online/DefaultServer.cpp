#include "DefaultServer.h"

namespace hf {

std::optional<std::string> defaultServerHost(const Profile& profile)
{
    std::string server = profile.getString("PhotoNet", "Server", "");
    if (server.empty())
        server = kDefaultServer;
    if (server.size() >= kServerHostSize)
        return std::nullopt;
    return server;
}

}  // namespace hf
