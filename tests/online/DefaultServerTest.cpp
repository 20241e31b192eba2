#include "DefaultServer.h"

#include <gtest/gtest.h>

namespace hf {
namespace {

TEST(DefaultServer, ProfileValueOrTheLocalStoreAndNothingTheDownloadCannotHold)
{
    const std::string longest = "https://cloud.example/" + std::string(103 - 22, 'x');
    const std::vector<std::pair<std::string, std::optional<std::string>>> cases = {
        {"", "http://127.0.0.1:3011/"},
        {"https://cloud.example/remote.php/dav/files/ann/", "https://cloud.example/remote.php/dav/files/ann/"},
        {"nas.local", "nas.local"},
        {longest, longest},
        {longest + "x", std::nullopt},
    };
    for (const auto& [value, expected] : cases) {
        MemoryProfile profile;
        if (!value.empty())
            profile.setString("PhotoNet", "Server", value);
        EXPECT_EQ(defaultServerHost(profile), expected) << value;
    }
}

}  // namespace
}  // namespace hf
