// How long the Photo chooser waits for a roll's thumbnails: a roll of 50
// twelve-megapixel camera photos with EXIF thumbnails on Apache httpd with
// WebDAV, listed and made into thumbnails over plain loopback and through a
// relay that makes a 10 Mbit/s line (1250 KiB/s for the whole transfer).
// Prints the median of several runs and the bytes received.
//
//   ./build/bench/online/bench_online [runs]

#include "LineRelay.h"
#include "OpcClient.h"
#include "Servers.h"
#include "StoreFixture.h"
#include "TempDir.h"
#include "TestPictures.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace {

using namespace hf;
using namespace hf::test;
namespace fs = std::filesystem;

constexpr int kPhotos = 50;
constexpr int kLineBytesPerSecond = 1250 * 1024;

int direct(void*, opc::ProxyRecord* record, std::int32_t)
{
    record->host = "";
    return 1;
}

struct Run {
    double seconds;
    std::uint64_t bytes;
};

Run thumbnails(const std::string& url, const fs::path& folder)
{
    const auto start = std::chrono::steady_clock::now();
    std::int32_t session = 0;
    Callbacks::reset();
    if (openSession(url, 0, &session) != opc::kOk || listRolls(session, kAccount, kPassword, nullptr) != opc::kOk) {
        std::fprintf(stderr, "cannot reach the store\n");
        std::exit(1);
    }
    const ThumbnailRun run = getThumbnails(session, "Roll", folder);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    opc::OpcClose(session);
    if (run.status != opc::kOk || run.count != kPhotos) {
        std::fprintf(stderr, "thumbnails failed: status %d, %d made\n", run.status, run.count);
        std::exit(1);
    }
    return {seconds, Callbacks::progress().empty() ? 0 : Callbacks::progress().back().done};
}

void report(const char* line, std::vector<Run> runs, double target)
{
    std::sort(runs.begin(), runs.end(), [](const Run& a, const Run& b) { return a.seconds < b.seconds; });
    const Run& median = runs[runs.size() / 2];
    std::printf("%-28s median %6.3f s (target <= %.1f s), min %6.3f s, max %6.3f s, %llu bytes received\n", line,
                median.seconds, target, runs.front().seconds, runs.back().seconds,
                static_cast<unsigned long long>(median.bytes));
}

}  // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    if (!haveProgram("/usr/sbin/apache2")) {
        std::fprintf(stderr, "needs apache2 (scripts/setup.sh installs it)\n");
        return 1;
    }
    TempDir dir;
    const fs::path roll = dir / "root" / "Roll";
    fs::create_directories(roll);
    fs::create_directories(dir / "downloads");
    // One camera photo, 4000 × 3000 with a 160 × 120 EXIF thumbnail, linked
    // under fifty names: the server reads each from disk as its own file.
    const auto photo =
        makeJpeg(halves(4000, 3000, kRed, kBlue, true), ExifPart{1, halves(160, 120, kGreen, kYellow)}, 92);
    std::ofstream(roll / "photo01.jpg", std::ios::binary)
        .write(reinterpret_cast<const char*>(photo.data()), std::streamsize(photo.size()));
    for (int i = 2; i <= kPhotos; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "photo%02d.jpg", i);
        fs::create_hard_link(roll / "photo01.jpg", roll / name);
    }
    makeReadable(dir.path());
    std::printf("roll: %d photos of %zu bytes (%.0f MB in all; whole over the line: %.0f s)\n", kPhotos, photo.size(),
                double(photo.size()) * kPhotos / 1e6, double(photo.size()) * kPhotos / kLineBytesPerSecond);

    ServerProcess store(scriptPath("dav-apache.sh"),
                        {(dir / "apache").string(), "{port}", (dir / "root").string(), kAccount, kPassword},
                        PortFrom::Chosen, dir / "apache.log");
    if (!store.ready()) {
        std::fprintf(stderr, "the server did not start\n");
        return 1;
    }
    bench::LineRelay line(store.port(), kLineBytesPerSecond);
    const std::string url = "http://127.0.0.1:" + std::to_string(store.port()) + "/";

    std::vector<Run> loopback;
    loopback.reserve(std::size_t(runs));
    opc::OpcSetProxyCallback(direct);
    for (int i = 0; i < runs; ++i)
        loopback.push_back(thumbnails(url, dir / "downloads"));
    report("loopback", loopback, 1.5);

    std::vector<Run> slow;
    slow.reserve(std::size_t(runs));
    const std::string lineUrl = "http://127.0.0.1:" + std::to_string(line.port()) + "/";
    for (int i = 0; i < runs; ++i)
        slow.push_back(thumbnails(lineUrl, dir / "downloads"));
    report("10 Mbit/s line", slow, 5.0);
    return 0;
}
