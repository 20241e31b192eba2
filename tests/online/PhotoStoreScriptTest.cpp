// The local photo store a user starts with scripts/photo-store.sh.
#include "StoreFixture.h"
#include "TestPictures.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <fstream>

namespace fs = std::filesystem;
using namespace hf;
using namespace hf::test;

namespace {

long answerTo(const std::string& method, const std::string& url)
{
    CURL* curl = curl_easy_init();
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, method.c_str());
    curl_easy_setopt(curl, CURLOPT_USERPWD, "ann:pw 1");
    curl_easy_setopt(curl, CURLOPT_NOBODY, 0L);
    curl_easy_setopt(
        curl, CURLOPT_WRITEFUNCTION, +[](char*, size_t s, size_t n, void*) { return s * n; });
    long code = 0;
    if (curl_easy_perform(curl) == CURLE_OK)
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &code);
    curl_easy_cleanup(curl);
    return code;
}

TEST(PhotoStoreScript, ServesTheFoldersRollsReadOnly)
{
    if (!haveProgram("/usr/sbin/apache2"))
        GTEST_SKIP() << "apache2 is not installed (scripts/setup.sh installs it)";
    TempDir dir;
    const fs::path photos = dir / "Pictures";
    fs::create_directories(photos / "Summer");
    fs::create_directories(photos / "birthday");
    {
        std::ofstream out(photos / "Summer" / "a.jpg", std::ios::binary);
        const auto jpeg = makeJpeg(halves(64, 32, kRed, kBlue));
        out.write(reinterpret_cast<const char*>(jpeg.data()), static_cast<std::streamsize>(jpeg.size()));
    }
    makeReadable(dir.path());
    ServerProcess store(scriptPath("photo-store.sh"),
                        {"--port", "{port}", "--user", "ann", "--password", "pw 1", photos.string()}, PortFrom::Chosen,
                        dir / "store.log");
    ASSERT_TRUE(store.ready()) << readFile(dir / "store.log");
    const int port = store.port();
    EXPECT_NE(readFile(dir / "store.log").find("Password:                 pw 1"), std::string::npos);

    std::int32_t session = 0;
    ASSERT_EQ(openSession("http://127.0.0.1:" + std::to_string(port) + "/", 0, &session), opc::kOk);
    std::vector<std::string> rolls;
    ASSERT_EQ(listRolls(session, "ann", "pw 1", &rolls), opc::kOk);
    std::sort(rolls.begin(), rolls.end());
    EXPECT_EQ(rolls, (std::vector<std::string>{"Summer", "birthday"}));
    opc::OpcClose(session);

    const std::string base = "http://127.0.0.1:" + std::to_string(port) + "/Summer/";
    EXPECT_EQ(answerTo("GET", base + "a.jpg"), 200);
    for (const char* method : {"PUT", "DELETE", "MKCOL", "MOVE", "PROPPATCH"})
        EXPECT_EQ(answerTo(method, base + "a.jpg"), 403) << method;
    EXPECT_TRUE(fs::exists(photos / "Summer" / "a.jpg"));
}

}  // namespace
