// Damaged and hostile WebDAV answers: nothing is written outside the
// download folder, the account goes nowhere else, nothing crashes.

#include "ImageIO.h"
#include "Propfind.h"
#include "Servers.h"
#include "StoreFixture.h"
#include "TestPictures.h"

#include <gtest/gtest.h>

#include <random>

namespace hf::test {
namespace {

namespace fs = std::filesystem;

std::string response(const std::string& href, bool collection, const std::string& prefix = "d")
{
    const std::string p = prefix + ":";
    return "<" + p + "response><" + p + "href>" + href + "</" + p + "href><" + p + "propstat><" + p + "prop><" + p +
           "resourcetype>" + (collection ? "<" + p + "collection/>" : "") + "</" + p + "resourcetype></" + p +
           "prop><" + p + "status>HTTP/1.1 200 OK</" + p + "status></" + p + "propstat></" + p + "response>";
}

std::string multistatus(const std::string& responses, const std::string& prefix = "d",
                        const std::string& ns = "DAV:")
{
    return "<?xml version=\"1.0\"?><" + prefix + ":multistatus xmlns:" + prefix + "=\"" + ns + "\">" + responses +
           "</" + prefix + ":multistatus>";
}

std::string nested(int depth)
{
    std::string s = "<?xml version=\"1.0\"?><d:multistatus xmlns:d=\"DAV:\">";
    for (int i = 0; i < depth; ++i)
        s += "<d:response>";
    return s + "</d:multistatus>";
}

TEST(HostileAnswers, RollListingsKeepOnlyTheServersOwnDirectCollections)
{
    FakeHttpServer elsewhere({});
    const std::string other = "http://127.0.0.1:" + std::to_string(elsewhere.port());
    struct Case {
        const char* what;
        std::string body;
        std::int32_t expected;
        std::vector<std::string> rolls;
    };
    const std::vector<Case> cases = {
        {"hostile hrefs",
         multistatus(response("/", true) + response(other + "/Evil/", true) + response("//evil.example/Far/", true) +
                     response("/Good/", true) + response("/Good/deeper/", true) + response("/a%2Fb/", true) +
                     response("/%2e%2e/", true) + response("/../../etc/", true) + response("/%00nul/", true) +
                     response("  /Spaced%20Out/\n", true) + response("/file.jpg", false) + response("/Good/", true) +
                     response("/%FF%FE/", true)),
         opc::kOk, {"Good", "Spaced Out", "etc"}},
        {"other prefixes, default namespace, absolute hrefs",
         "<?xml version=\"1.0\"?><multistatus xmlns=\"DAV:\" xmlns:Z=\"DAV:\">" + response("/", true, "Z") +
             "<response><href>http://127.0.0.1:PORT/Plain/</href><propstat><prop><resourcetype><collection/>"
             "</resourcetype></prop><status>HTTP/1.1 200 OK</status></propstat></response></multistatus>",
         opc::kOk, {"Plain"}},
        {"wrong namespace", multistatus(response("/Roll/", true), "d", "urn:not-dav"), opc::kOk, {}},
        {"properties that were not found", multistatus(
             "<d:response><d:href>/NotFound/</d:href><d:propstat><d:prop><d:resourcetype><d:collection/>"
             "</d:resourcetype></d:prop><d:status>HTTP/1.1 404 Not Found</d:status></d:propstat></d:response>"),
         opc::kOk, {}},
        {"too deep", nested(5000), opc::kUnexpectedValue, {}},
        {"entities", "<?xml version=\"1.0\"?><!DOCTYPE d [<!ENTITY a \"aaaaaaaa\">]>" +
                         multistatus(response("/&a;/", true)), opc::kUnexpectedValue, {}},
        {"not XML", "<html>no</html", opc::kUnexpectedValue, {}},
        {"huge", multistatus(std::string(40u << 20, ' ')), opc::kUnexpectedValue, {}},
    };
    for (auto c : cases) {
        SCOPED_TRACE(c.what);
        FakeHttpServer store({});
        if (auto at = c.body.find("PORT"); at != std::string::npos)
            c.body.replace(at, 4, std::to_string(store.port()));
        store.setAnswer("/", {207, c.body, ""});
        std::int32_t session = 0;
        ASSERT_EQ(openSession(store.url(), 0, &session), opc::kOk);
        std::vector<std::string> rolls;
        EXPECT_EQ(listRolls(session, kAccount, kPassword, &rolls), c.expected);
        EXPECT_EQ(rolls, c.rolls);
        opc::OpcClose(session);
    }
    EXPECT_TRUE(elsewhere.seen().empty());
}

TEST(HostileAnswers, PictureHrefsNeverLeadOutOfTheFolderOrTheServer)
{
    FakeHttpServer elsewhere({});
    const std::string other = "http://127.0.0.1:" + std::to_string(elsewhere.port());
    const auto jpeg = makeJpeg(halves(120, 60, kRed, kBlue));
    const std::string picture(jpeg.begin(), jpeg.end());
    const std::string roll = multistatus(
        response("/Good/", true) + response(other + "/Good/far.jpg", false) + response("/Good/../../up.jpg", false) +
        response("/Good/%2e%2e%2fescape.jpg", false) + response("/Good/ok.jpg", false) +
        response("/Good/sub/deep.jpg", false));
    FakeHttpServer store({{"/", {207, multistatus(response("/Good/", true)), ""}},
                          {"/Good/", {207, roll, ""}},
                          {"/Good/ok.jpg", {200, picture, "Content-Type: image/jpeg\r\n"}},
                          {"/up.jpg", {200, picture, ""}}});
    TempDir dir;
    const fs::path downloads = dir / "downloads";
    fs::create_directories(downloads);

    std::int32_t session = 0;
    ASSERT_EQ(openSession(store.url(), 0, &session), opc::kOk);
    ASSERT_EQ(listRolls(session, kAccount, kPassword, nullptr), opc::kOk);
    const ThumbnailRun run = getThumbnails(session, "Good", downloads);
    EXPECT_EQ(run.status, opc::kOk);
    EXPECT_EQ(run.count, 1);
    EXPECT_EQ(getImage(session, "Good", 1, downloads), opc::kOk);
    std::vector<std::string> written;
    for (const auto& e : fs::recursive_directory_iterator(dir.path()))
        written.push_back(fs::relative(e.path(), dir.path()).string());
    std::sort(written.begin(), written.end());
    EXPECT_EQ(written, (std::vector<std::string>{"downloads", "downloads/0001.jpg", "downloads/t0001.jpg"}));
    EXPECT_TRUE(elsewhere.seen().empty());
    // A server the listing did not name, nor a roll location, gets no
    // account, even when it asks for one.
    elsewhere.setAnswer("/Good/", {401, "", "WWW-Authenticate: Basic realm=\"Photos\"\r\n"});
    std::int32_t stranger = 0;
    ASSERT_EQ(openSession(elsewhere.url(), 0, &stranger), opc::kOk);
    EXPECT_EQ(getThumbnails(stranger, "Good", downloads).status, opc::kBadPassword);
    ASSERT_FALSE(elsewhere.seen().empty());
    for (const auto& seen : elsewhere.seen())
        EXPECT_EQ(seen.authorization, "") << seen.method << " " << seen.path;
    opc::OpcClose(stranger);
    for (const auto& seen : store.seen()) {
        EXPECT_NE(seen.path, "/up.jpg");
        EXPECT_NE(seen.userAgent.find("(Quillmere)"), std::string::npos) << seen.path;
    }
    opc::OpcClose(session);
}

}  // namespace
}  // namespace hf::test

namespace hf::test {
namespace {

// Random damage to a listing and to a camera JPEG's head: whatever comes
// out keeps the rules, and nothing crashes (the sanitizer build runs this).
TEST(HostileAnswers, MutatedListingsAndPicturesKeepTheRules)
{
    const std::string listing = multistatus(response("/Roll/", true) + response("/Roll/a.jpg", false) +
                                            response("/Roll/sub/", true) + response("/Roll/b%20c.jpg", false));
    const auto photo = makeJpeg(halves(240, 120, kRed, kBlue), ExifPart{6, halves(80, 40, kGreen, kYellow)});
    std::minstd_rand random(12345);
    for (int round = 0; round < 1500; ++round) {
        std::string xml = listing;
        std::vector<std::uint8_t> jpeg = photo;
        const int flips = 1 + int(random() % 8);
        for (int i = 0; i < flips; ++i) {
            xml[random() % xml.size()] = char(random() % 256);
            // Most flips go into the EXIF segment, where the parsers work.
            jpeg[random() % std::min<std::size_t>(jpeg.size(), 2048)] = std::uint8_t(random() % 256);
        }
        if (round % 5 == 0)
            jpeg.resize(random() % jpeg.size());
        if (const auto resources = opc::parseMultistatus(xml)) {
            for (const auto& m : opc::directMembers(*resources, "http://127.0.0.1:1/Roll/")) {
                EXPECT_EQ(m.name.find('/'), std::string::npos);
                EXPECT_NE(m.name, "..");
                EXPECT_FALSE(m.name.empty());
            }
        }
        const auto exif = opc::readExifOfFile(jpeg);
        EXPECT_TRUE(exif.orientation >= 1 && exif.orientation <= 8);
        const LBitmap small = decodeSmallPicture(jpeg, opc::kThumbnailPixels);
        EXPECT_LE(std::max(small.GetWidth(), small.GetHeight()), opc::kThumbnailPixels);
    }
}

}  // namespace
}  // namespace hf::test
