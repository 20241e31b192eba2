// Damaged and hostile WebDAV answers: nothing is written outside the
// download folder, the account goes nowhere else, nothing crashes.

#include "Http.h"
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

std::string multistatus(const std::string& responses, const std::string& prefix = "d", const std::string& ns = "DAV:")
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
    // More collections than a roll list holds, the last names first.
    std::string many;
    std::vector<std::string> first;
    for (int i = 100000; i >= 0; --i)
        many += response("/r" + std::to_string(1000000 + i) + "/", true);
    first.reserve(opc::kMaxRolls);
    for (int i = 0; i < opc::kMaxRolls; ++i)
        first.push_back("r" + std::to_string(1000000 + i));
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
                     response("/%FF%FE/", true) + response("/new%0Aline/", true) +
                     response("/%E2%80%AEgpj.exe/", true)),
         opc::kOk,
         {"Good", "Spaced Out", "etc", "new\u240Aline", "\uFFFDgpj.exe"}},
        {"an XHTML page", "<html><body><p>multistatus</p></body></html>", opc::kUnexpectedValue, {}},
        {"100,001 collections", multistatus(many), opc::kOk, first},
        {"other prefixes, default namespace, absolute hrefs",
         "<?xml version=\"1.0\"?><multistatus xmlns=\"DAV:\" xmlns:Z=\"DAV:\">" + response("/", true, "Z") +
             "<response><href>http://127.0.0.1:PORT/Plain/</href><propstat><prop><resourcetype><collection/>"
             "</resourcetype></prop><status>HTTP/1.1 200 OK</status></propstat></response></multistatus>",
         opc::kOk,
         {"Plain"}},
        {"wrong namespace", multistatus(response("/Roll/", true), "d", "urn:not-dav"), opc::kUnexpectedValue, {}},
        {"properties that were not found",
         multistatus("<d:response><d:href>/NotFound/</d:href><d:propstat><d:prop><d:resourcetype><d:collection/>"
                     "</d:resourcetype></d:prop><d:status>HTTP/1.1 404 Not Found</d:status></d:propstat></d:response>"),
         opc::kOk,
         {}},
        {"too deep", nested(5000), opc::kUnexpectedValue, {}},
        {"entities",
         "<?xml version=\"1.0\"?><!DOCTYPE d [<!ENTITY a \"aaaaaaaa\">]>" + multistatus(response("/&a;/", true)),
         opc::kUnexpectedValue,
         {}},
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

// Hrefs never lead out of the folder or the server, and each picture of a
// roll stands alone: one too large, damaged, or behind a redirect that leads
// nowhere is a gap; a redirect to another server is followed, and neither
// it nor a server the listing did not name gets the account.
TEST(HostileAnswers, PicturesStandAloneAndNeverLeadOutOfTheFolderOrTheAccountsServers)
{
    const auto jpeg = makeJpeg(halves(120, 60, kRed, kBlue));
    const std::string picture(jpeg.begin(), jpeg.end());
    FakeHttpServer elsewhere(
        {{"/far.jpg", {200, picture, ""}}, {"/locked.jpg", {401, "", "WWW-Authenticate: Basic realm=\"x\"\r\n"}}});
    const std::string far = "Location: " + elsewhere.url();
    // Thumbnails for a, d and h only.
    const std::map<std::string, FakeHttpServer::Answer> pictures = {
        {"a.jpg", {200, picture, "Content-Type: image/jpeg\r\n"}},
        {"b.png", {200, "\x89PNG", "", std::size_t{300} << 20}},
        {"c.jpg", {200, picture.substr(0, 400), ""}},
        {"d.jpg", {302, "", far + "far.jpg\r\n"}},
        {"e.jpg", {302, "", "Location: /Good/e.jpg\r\n"}},
        {"f.jpg", {302, "", "Location: ftp://127.0.0.1/f.jpg\r\n"}},
        {"g.jpg", {307, "", far + "locked.jpg\r\n"}},
        {"h.jpg", {200, picture, ""}},
    };
    FakeHttpServer store({{"/", {207, multistatus(response("/Good/", true)), ""}}, {"/up.jpg", {200, picture, ""}}});
    std::string roll = response("/Good/", true) + response(elsewhere.url() + "Good/far.jpg", false) +
                       response("/Good/../../up.jpg", false) + response("/Good/%2e%2e%2fescape.jpg", false) +
                       response("/Good/sub/deep.jpg", false);
    for (const auto& [name, answer] : pictures) {
        roll += response("/Good/" + name, false);
        store.setAnswer("/Good/" + name, answer);
    }
    store.setAnswer("/Good/", {207, multistatus(roll), ""});
    TempDir dir;
    const fs::path downloads = dir / "downloads";
    fs::create_directories(downloads);

    std::int32_t session = 0;
    ASSERT_EQ(openSession(store.url(), 0, &session), opc::kOk);
    ASSERT_EQ(listRolls(session, kAccount, kPassword, nullptr), opc::kOk);
    const ThumbnailRun run = getThumbnails(session, "Good", downloads);
    EXPECT_EQ(run.status, opc::kOk);
    EXPECT_EQ(run.count, int(pictures.size()));
    EXPECT_EQ(getImage(session, "Good", 4, downloads), opc::kOk);
    std::vector<std::string> written;
    for (const auto& e : fs::recursive_directory_iterator(dir.path()))
        written.push_back(fs::relative(e.path(), dir.path()).string());
    std::sort(written.begin(), written.end());
    EXPECT_EQ(written, (std::vector<std::string>{"downloads", "downloads/0004.jpg", "downloads/t0001.jpg",
                                                 "downloads/t0004.jpg", "downloads/t0008.jpg"}));
    // The refused picture is asked for its head, then whole.
    EXPECT_EQ(elsewhere.seen().size(), 4u);
    elsewhere.setAnswer("/Good/", {401, "", "WWW-Authenticate: Basic realm=\"Photos\"\r\n"});
    std::int32_t stranger = 0;
    ASSERT_EQ(openSession(elsewhere.url(), 0, &stranger), opc::kOk);
    EXPECT_EQ(getThumbnails(stranger, "Good", downloads).status, opc::kBadPassword);
    for (const auto& seen : elsewhere.seen()) {
        EXPECT_EQ(seen.authorization, "") << seen.method << " " << seen.path;
        EXPECT_NE(seen.path, "/Good/far.jpg");
    }
    opc::OpcClose(stranger);
    for (const auto& seen : store.seen()) {
        EXPECT_NE(seen.path, "/up.jpg");
        EXPECT_NE(seen.userAgent.find("(Quillmere)"), std::string::npos) << seen.path;
    }
    opc::OpcClose(session);
}

// A server that drips its answer ends in the communications status at the
// deadline instead of holding "Connecting" for ever.
TEST(HostileAnswers, DrippingServerMeetsTheDeadline)
{
    opc::setDeadlines({std::chrono::milliseconds(400), std::chrono::milliseconds(400)});
    FakeHttpServer store({{"/", {200, std::string(100, ' '), "", 0, 20}}});
    std::int32_t session = 0;
    EXPECT_EQ(openSession(store.url(), 0, &session), opc::kCommunications);
    opc::setDeadlines({});
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
        if (const auto members = opc::readMembers(xml, "http://127.0.0.1:1/Roll/")) {
            for (const auto& m : *members) {
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
