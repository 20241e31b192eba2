// The client library against real WebDAV servers on loopback.

#include "ImageIO.h"
#include "Store.h"
#include "StoreFixture.h"
#include "TestPictures.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>

namespace hf::test {
namespace {

namespace fs = std::filesystem;

LBitmap readJpeg(const fs::path& path, bool* exif = nullptr)
{
    const std::string bytes = readFile(path);
    std::vector<std::uint8_t> file(bytes.begin(), bytes.end());
    if (exif)
        *exif = hasExif(file);
    return decodePicture(file);
}

// An upright picture of the expected size, with colour a at the first
// probe point and colour b at the second, and no EXIF segment left.
void expectPicture(const fs::path& path, int width, int height, std::pair<int, int> p1, Rgb a, std::pair<int, int> p2,
                   Rgb b)
{
    SCOPED_TRACE(path.filename().string());
    bool exif = true;
    const auto picture = readJpeg(path, &exif);
    ASSERT_TRUE(picture.IsAllocated());
    EXPECT_EQ(picture.GetWidth(), width);
    EXPECT_EQ(picture.GetHeight(), height);
    EXPECT_FALSE(exif);
    EXPECT_TRUE(a.near(picture.colourAt(p1.first, p1.second)));
    EXPECT_TRUE(b.near(picture.colourAt(p2.first, p2.second)));
}

class DavServers : public ::testing::TestWithParam<DavServer> {
protected:
    void SetUp() override
    {
        store_ = std::make_unique<PhotoStore>(GetParam());
        if (!store_->skipReason().empty())
            GTEST_SKIP() << store_->skipReason();
        ASSERT_TRUE(store_->ready()) << store_->failure();
        Callbacks::reset();
    }
    std::unique_ptr<PhotoStore> store_;
};

TEST_P(DavServers, ListsRollsAndMakesUprightThumbnailsAndPictureWithFewBytes)
{
    std::int32_t session = 0;
    ASSERT_EQ(openSession(store_->url(), 0, &session), opc::kOk);
    std::vector<std::string> names;
    ASSERT_EQ(listRolls(session, kAccount, kPassword, &names), opc::kOk);
    ASSERT_EQ(names.size(), 7u);
    EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + 5),
              (std::vector<std::string>{"Big", "Failing", kHoliday, "Locked", "Moved"}));
    // The two long names are cut on a character boundary and kept apart.
    EXPECT_NE(names[5], names[6]);
    for (const auto& n : {names[5], names[6]}) {
        EXPECT_LE(n.size(), 99u);
        EXPECT_TRUE(opc::isValidUtf8(n));
    }

    const fs::path folder = store_->downloads();
    writeFile(folder / "t0002.jpg", "left from an earlier roll");
    const ThumbnailRun run = getThumbnails(session, kHoliday, folder);
    ASSERT_EQ(run.status, opc::kOk);
    EXPECT_EQ(run.numbers, (std::vector<std::int32_t>{1, 2, 3, 4, 5, 6}));
    // A Digest server challenges the call's first request only (a PROPFIND).
    EXPECT_FALSE(store_->logged("401 GET"));
    // a.jpg: its EXIF thumbnail (green | yellow, 160 × 80) turned upright.
    expectPicture(folder / "t0001.jpg", 48, 96, {24, 10}, kGreen, {24, 86}, kYellow);
    // b.jpg is damaged: a gap, and no stale file in its place.
    EXPECT_FALSE(fs::exists(folder / "t0002.jpg"));
    // c.JPG has no EXIF: the photo itself, decoded small.
    expectPicture(folder / "t0003.jpg", 96, 64, {10, 32}, kMagenta, {86, 32}, kBlue);
    expectPicture(folder / "t0004.jpg", 96, 48, {10, 24}, kGreen, {86, 24}, kYellow);
    expectPicture(folder / "t0005.jpg", 96, 48, {10, 24}, kBlue, {86, 24}, kGreen);
    expectPicture(folder / "t0006.jpg", 96, 48, {10, 24}, kYellow, {86, 24}, kMagenta);

    const auto& progress = Callbacks::progress();
    ASSERT_FALSE(progress.empty());
    for (std::size_t i = 1; i < progress.size(); ++i)
        EXPECT_GE(progress[i].done, progress[i - 1].done);
    EXPECT_EQ(progress.back().done, progress.back().total);
    // The whole of a.jpg was not needed.
    EXPECT_LT(progress.back().done, store_->sizeOf(kHoliday, "a.jpg"));

    Callbacks::reset();
    ASSERT_EQ(getImage(session, kHoliday, 1, folder), opc::kOk);
    expectPicture(folder / "0001.jpg", 200, 400, {100, 20}, kRed, {100, 380}, kBlue);
    EXPECT_GE(Callbacks::progress().back().done, store_->sizeOf(kHoliday, "a.jpg"));
    EXPECT_EQ(getImage(session, kHoliday, 2, folder), opc::kBadImageFormat);
    ASSERT_EQ(getImage(session, kHoliday, 5, folder), opc::kOk);
    expectPicture(folder / "0005.jpg", 320, 160, {20, 80}, kBlue, {300, 80}, kGreen);
    EXPECT_EQ(getImage(session, kHoliday, 7, folder), opc::kNoSuchImage);
    EXPECT_EQ(getImage(session, kHoliday, 0, folder), opc::kNoSuchImage);

    // The shown name of a cut roll leads back to the roll.
    EXPECT_EQ(getThumbnails(session, names[6].c_str(), folder).count, 1);
    EXPECT_EQ(getThumbnails(session, names[5].c_str(), folder).count, 0);

    // Nothing but the numbered files was written.
    for (const auto& e : fs::directory_iterator(folder)) {
        const std::string name = e.path().filename().string();
        EXPECT_TRUE(name.size() == 9 ? name != "t0002.jpg" : name == "0001.jpg" || name == "0005.jpg") << name;
    }
    EXPECT_EQ(opc::OpcClose(session), opc::kOk);
}

INSTANTIATE_TEST_SUITE_P(Servers, DavServers,
                         ::testing::Values(DavServer::Apache, DavServer::ApacheDigest, DavServer::Lighttpd),
                         [](const auto& info) {
                             return info.param == DavServer::Apache         ? "Apache"
                                    : info.param == DavServer::ApacheDigest ? "ApacheDigest"
                                                                            : "Lighttpd";
                         });

class ApacheStore : public ::testing::Test {
protected:
    void SetUp() override
    {
        store_ = std::make_unique<PhotoStore>(DavServer::Apache);
        if (!store_->skipReason().empty())
            GTEST_SKIP() << store_->skipReason();
        ASSERT_TRUE(store_->ready()) << store_->failure();
        Callbacks::reset();
        ASSERT_EQ(openSession("127.0.0.1", std::uint16_t(store_->port()), &session_), opc::kOk);
    }
    std::unique_ptr<PhotoStore> store_;
    std::int32_t session_ = 0;
};

TEST_F(ApacheStore, MovedRollIsFetchedFromItsOwnServerWithTheAccount)
{
    ASSERT_EQ(listRolls(session_, kAccount, kPassword, nullptr), opc::kOk);
    opc::RollLocation here{};
    ASSERT_EQ(opc::OpcGetFilmLocation(session_, Callbacks::cancel, kHoliday, &here), opc::kOk);
    EXPECT_STREQ(here.host, "127.0.0.1");
    EXPECT_EQ(here.port, store_->port());

    opc::RollLocation moved{};
    ASSERT_EQ(opc::OpcGetFilmLocation(session_, Callbacks::cancel, "Moved", &moved), opc::kOk);
    const std::string base = "http://127.0.0.1:" + std::to_string(store_->movedPort()) + "/store/";
    EXPECT_EQ(std::string(moved.host), base);
    EXPECT_EQ(moved.port, store_->movedPort());

    std::int32_t second = 0;
    ASSERT_EQ(openSession(moved.host, moved.port, &second), opc::kOk);
    // The second server asks for the same credentials: it got them.
    const ThumbnailRun run = getThumbnails(second, "Moved", store_->downloads());
    ASSERT_EQ(run.status, opc::kOk);
    EXPECT_EQ(run.count, 1);
    expectPicture(store_->downloads() / "t0001.jpg", 96, 48, {10, 24}, kYellow, {86, 24}, kGreen);
    ASSERT_EQ(getImage(second, "Moved", 1, store_->downloads()), opc::kOk);
    expectPicture(store_->downloads() / "0001.jpg", 400, 200, {20, 100}, kBlue, {380, 100}, kRed);
    // Asked on the roll's own server, the location stays there.
    opc::RollLocation again{};
    ASSERT_EQ(opc::OpcGetFilmLocation(second, Callbacks::cancel, "Moved", &again), opc::kOk);
    EXPECT_EQ(std::string(again.host), base);
    opc::OpcClose(second);
}

TEST_F(ApacheStore, EachFailureHasItsStatusCode)
{
    const fs::path folder = store_->downloads();
    opc::RollLocation location{};
    struct Case {
        const char* what;
        std::function<std::int32_t()> run;
        std::int32_t expected;
    };
    const std::vector<Case> cases = {
        {"wrong password", [&] { return listRolls(session_, kAccount, "wrong", nullptr); }, opc::kBadPassword},
        {"no account yet, so none is sent", [&] { return getThumbnails(session_, kHoliday, folder).status; },
         opc::kBadPassword},
        {"listing", [&] { return listRolls(session_, kAccount, kPassword, nullptr); }, opc::kOk},
        {"missing roll", [&] { return opc::OpcGetFilmLocation(session_, nullptr, "Nowhere", &location); },
         opc::kNoSuchFilm},
        {"missing roll's thumbnails", [&] { return getThumbnails(session_, "Nowhere", folder).status; },
         opc::kNoSuchFilm},
        {"forbidden roll", [&] { return opc::OpcGetFilmLocation(session_, nullptr, "Locked", &location); },
         opc::kAccessDenied},
        {"failing server", [&] { return getThumbnails(session_, "Failing", folder).status; }, opc::kServerFailed},
        {"folder is a file",
         [&] {
             writeFile(folder / "f", "x");
             return getThumbnails(session_, kHoliday, folder / "f").status;
         },
         opc::kFileError},
        {"missing folder", [&] { return getImage(session_, kHoliday, 1, folder / "none"); }, opc::kFileError},
        {"closed session", [&] { return listRolls(9999, kAccount, kPassword, nullptr); }, opc::kBadHandle},
        {"closed session's picture", [&] { return getImage(9999, kHoliday, 1, folder); }, opc::kBadHandle},
        {"connect callback stops the call",
         [&] {
             Callbacks::cancelNow();
             std::int32_t s = 0;
             const auto r = openSession(store_->url(), 0, &s);
             Callbacks::reset();
             return r;
         },
         opc::kCancelled},
        {"not a web address",
         [&] {
             std::int32_t s = 0;
             return openSession("ftp://127.0.0.1/", 21, &s);
         },
         opc::kUnexpectedValue},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.run(), c.expected) << c.what;
}

TEST_F(ApacheStore, StoppedServerIsACommunicationsError)
{
    ASSERT_EQ(listRolls(session_, kAccount, kPassword, nullptr), opc::kOk);
    store_->stop();
    EXPECT_EQ(listRolls(session_, kAccount, kPassword, nullptr), opc::kCommunications);
    EXPECT_EQ(getThumbnails(session_, kHoliday, store_->downloads()).status, opc::kCommunications);
    std::int32_t session = 0;
    EXPECT_EQ(openSession("127.0.0.1", std::uint16_t(store_->port()), &session), opc::kCommunications);
    EXPECT_EQ(session, 0);
}

TEST_F(ApacheStore, CancelStopsALargeTransferPromptlyAndRemovesWhatTheCallWrote)
{
    ASSERT_EQ(listRolls(session_, kAccount, kPassword, nullptr), opc::kOk);
    const fs::path folder = store_->downloads();
    // The roll holds a small photo, then a large one on a slow answer.
    const std::vector<std::pair<const char*, std::function<std::int32_t()>>> transfers = {
        {"thumbnails", [&] { return getThumbnails(session_, "Big", folder).status; }},
        {"picture", [&] { return getImage(session_, "Big", 2, folder); }},
    };
    for (const auto& [what, run] : transfers) {
        SCOPED_TRACE(what);
        Callbacks::reset();
        const CancelOnceDone cancel(128 << 10);
        EXPECT_EQ(run(), opc::kCancelled);
        std::printf("%s: cancel latency %.1f ms\n", what, Callbacks::millisecondsSinceCancel());
        ASSERT_FALSE(Callbacks::progress().empty());
        EXPECT_LT(Callbacks::progress().back().done, PhotoStore::kBigBytes);
        EXPECT_GE(Callbacks::progress().back().total, PhotoStore::kBigBytes);
        EXPECT_TRUE(fs::is_empty(folder));
    }
}

}  // namespace
}  // namespace hf::test

namespace hf::test {
namespace {

// A certificate the system does not trust fails the connection, while the
// same server answers a client that skips the check.
TEST(TlsStore, CertificateThatDoesNotVerifyIsACommunicationsError)
{
    if (!haveProgram("/usr/sbin/apache2") || !haveProgram("/usr/bin/openssl"))
        GTEST_SKIP() << "apache2 or openssl is not installed (scripts/setup.sh installs them)";
    TempDir dir;
    std::filesystem::create_directories(dir / "root" / "Roll");
    std::filesystem::create_directories(dir / "w");
    const std::string make = "openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=127.0.0.1 "
                             "-addext subjectAltName=IP:127.0.0.1 -keyout '" +
                             (dir / "w" / "tls.key").string() + "' -out '" + (dir / "w" / "tls.crt").string() +
                             "' 2>/dev/null";
    ASSERT_EQ(std::system(make.c_str()), 0);
    makeReadable(dir.path());
    ServerProcess server(scriptPath("dav-apache.sh"), {(dir / "w").string(), "{port}", (dir / "root").string()},
                         PortFrom::Chosen, dir / "log");
    ASSERT_TRUE(server.ready()) << readFile(dir / "log");
    const std::string url = "https://127.0.0.1:" + std::to_string(server.port()) + "/";

    Callbacks::reset();
    std::int32_t session = 0;
    EXPECT_EQ(openSession(url, 0, &session), opc::kCommunications);
    EXPECT_EQ(session, 0);

    CURL* curl = curl_easy_init();
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(curl, CURLOPT_PROXY, "");
    EXPECT_EQ(curl_easy_perform(curl), CURLE_OK);
    curl_easy_cleanup(curl);
}

}  // namespace
}  // namespace hf::test
