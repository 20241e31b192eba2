#include "StoreFixture.h"

#include "HeifWriter.h"
#include "TestPictures.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <fstream>
#include <mutex>
#include <thread>

namespace hf::test {
namespace fs = std::filesystem;
namespace {

void put(const fs::path& path, const std::vector<std::uint8_t>& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void buildRolls(const fs::path& root)
{
    const fs::path holiday = root / kHoliday;
    // A camera's photo: sideways (orientation 6), with its own thumbnail in
    // other colours so a test sees which one was used.
    put(holiday / "a.jpg",
        makeJpeg(halves(1600, 800, kRed, kBlue, true), ExifPart{6, halves(160, 80, kGreen, kYellow)}));
    // Cut short: no picture at all.
    auto damaged = makeJpeg(halves(640, 480, kRed, kBlue, true));
    damaged.resize(damaged.size() / 3);
    put(holiday / "b.jpg", damaged);
    // No EXIF: the thumbnail is the photo itself, decoded small.
    put(holiday / "c.JPG", makeJpeg(halves(300, 200, kMagenta, kBlue)));
    // Not a JPEG: read whole, by Qt's readers.
    put(holiday / "d.png", makePng(halves(200, 100, kGreen, kYellow)));
    // What phones and the web send: HEIC and WebP, by the imaging layer's decoders.
    const std::string heic = heifOf(halves(320, 160, kBlue, kGreen), {});
    put(holiday / "e.heic", std::vector<std::uint8_t>(heic.begin(), heic.end()));
    put(holiday / "f.webp", makePng(halves(200, 100, kYellow, kMagenta), "WEBP"));
    put(holiday / "notes.txt", {'h', 'i'});
    put(holiday / "sub" / "d.jpg", makeJpeg(halves(64, 64, kRed, kRed)));
    fs::create_directories(root / longRollName(1));
    put(root / longRollName(2) / "e.jpg", makeJpeg(halves(200, 100, kGreen, kGreen)));
    fs::create_directories(root / "Moved");
    fs::create_directories(root / "Locked");
    fs::create_directories(root / "Failing");
    std::vector<std::uint8_t> big(PhotoStore::kBigBytes, 0x5A);
    big[0] = 0xFF;
    big[1] = 0xD8;
    put(root / "Big" / "a.jpg", makeJpeg(halves(64, 32, kRed, kBlue)));
    put(root / "Big" / "big.jpg", big);
}

}  // namespace

std::string longRollName(int which)
{
    std::string name;
    for (int i = 0; i < 50; ++i)
        name += "\xC3\xA9";  // é
    return name + (which == 1 ? "-one" : "-two");
}

PhotoStore::PhotoStore(DavServer server, bool rateLimitBig)
{
    const bool apache = server != DavServer::Lighttpd;
    const char* program = apache ? "/usr/sbin/apache2" : "/usr/sbin/lighttpd";
    if (!haveProgram(program)) {
        skip_ = std::string(program) + " is not installed (scripts/setup.sh installs it)";
        return;
    }
    downloads_ = dir_ / "downloads";
    fs::create_directories(downloads_);
    buildRolls(dir_ / "root");
    put(dir_ / "rootB" / "store" / "Moved" / "x.jpg",
        makeJpeg(halves(800, 400, kBlue, kRed, true), ExifPart{1, halves(160, 80, kYellow, kGreen)}));
    makeReadable(dir_.path());

    if (apache) {
        const std::string scheme = server == DavServer::ApacheDigest ? "Digest" : "Basic";
        // The second server first: the first one's redirects name its port.
        moved_ = std::make_unique<ServerProcess>(scriptPath("dav-apache.sh"),
                                                 std::vector<std::string>{(dir_ / "b").string(), "{port}",
                                                                          (dir_ / "rootB").string(), kAccount,
                                                                          kPassword, scheme},
                                                 PortFrom::Chosen, dir_ / "b.log");
        const int movedPort = moved_->port();
        fs::create_directories(dir_ / "a");
        std::ofstream extra(dir_ / "a" / "extra.conf");
        extra << "Redirect 302 /Moved http://127.0.0.1:" << movedPort << "/store/Moved\n"
              << "Redirect 403 /Locked\nRedirect 503 /Failing\n"
              // Rolls kept where the download's field, or the library's record, holds no address.
              << "Redirect 302 /FarA http://127.0.0.1:" << movedPort << "/" << std::string(100, 'a') << "/FarA\n"
              << "Redirect 302 /FarB http://127.0.0.1:" << movedPort << "/" << std::string(300, 'b') << "/FarB\n"
              << "CustomLog \"" << (dir_ / "a" / "access.log").string() << "\" \"%>s %m\"\n";
        if (rateLimitBig)
            extra << "<Location /Big>\n SetOutputFilter RATE_LIMIT\n SetEnv rate-limit 512\n</Location>\n";
        extra.close();
        main_ = std::make_unique<ServerProcess>(scriptPath("dav-apache.sh"),
                                                std::vector<std::string>{(dir_ / "a").string(), "{port}",
                                                                         (dir_ / "root").string(), kAccount, kPassword,
                                                                         scheme},
                                                PortFrom::Chosen, dir_ / "a.log");
        ready_ = moved_->ready() && main_->ready();
    } else {
        main_ = std::make_unique<ServerProcess>(
            scriptPath("dav-lighttpd.sh"),
            std::vector<std::string>{(dir_ / "l").string(), "{port}", (dir_ / "root").string(), kAccount, kPassword},
            PortFrom::HandedSocket, dir_ / "l.log");
        ready_ = main_->ready();
    }
    if (!ready_)
        for (const char* log : {"a.log", "b.log", "l.log", "a/error.log", "b/error.log"})
            if (fs::exists(dir_ / log))
                failure_ += std::string(log) + ":\n" + readFile(dir_ / log) + "\n";
}

PhotoStore::~PhotoStore() = default;

bool PhotoStore::logged(const std::string& line) const
{
    return ("\n" + readFile(dir_ / "a" / "access.log")).find("\n" + line + "\n") != std::string::npos;
}

std::uint64_t PhotoStore::sizeOf(const std::string& roll, const std::string& file) const
{
    return fs::file_size(dir_ / "root" / roll / file);
}

namespace {
std::mutex progressMutex;
std::condition_variable_any progressed;
std::vector<opc::Progress> progressSeen;
std::atomic<bool> cancelFlag{false};
std::atomic<std::int64_t> cancelledAt{0};

std::int64_t nowMicroseconds()
{
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
}  // namespace

std::vector<opc::Progress>& Callbacks::progress()
{
    return progressSeen;
}

void Callbacks::reset()
{
    std::lock_guard lock(progressMutex);
    progressSeen.clear();
    cancelFlag = false;
}

void Callbacks::cancelNow()
{
    cancelledAt = nowMicroseconds();
    cancelFlag = true;
}

double Callbacks::millisecondsSinceCancel()
{
    return double(nowMicroseconds() - cancelledAt) / 1000.0;
}

int Callbacks::cancel(void*)
{
    return cancelFlag ? 1 : 0;
}

void Callbacks::onProgress(void*, const opc::Progress* p)
{
    {
        std::lock_guard lock(progressMutex);
        progressSeen.push_back(*p);
    }
    progressed.notify_all();
}

CancelOnceDone::CancelOnceDone(std::uint64_t bytes)
    : thread_([bytes](const std::stop_token& stop) {
          std::unique_lock lock(progressMutex);
          if (progressed.wait(lock, stop,
                              [bytes] { return !progressSeen.empty() && progressSeen.back().done >= bytes; }))
              Callbacks::cancelNow();
      })
{
}

ThumbnailRun getThumbnails(std::int32_t session, const char* roll, const fs::path& folder)
{
    opc::ThumbnailEntry entries[opc::kMaxThumbnails] = {};
    opc::TransferRequest request{};
    const std::string folderText = folder.string();
    request.email = kAccount;
    request.rollName = roll;
    request.one = 1;
    request.folder = folderText.c_str();
    std::memcpy(request.format, "JPG", 4);
    request.pixels = opc::kThumbnailPixels;
    ThumbnailRun run;
    run.status = opc::OpcGetThumbnails(session, Callbacks::cancel, Callbacks::onProgress, opc::kMaxThumbnails, entries,
                                       &request);
    run.count = request.thumbnailCount;
    for (int i = 0; i < request.thumbnailCount; ++i)
        run.numbers.push_back(entries[i].imageNumber);
    return run;
}

std::int32_t getImage(std::int32_t session, const char* roll, std::int32_t number, const fs::path& folder)
{
    opc::PictureDescriptor picture{};
    picture.imageNumber = number;
    opc::TransferRequest request{};
    const std::string folderText = folder.string();
    request.rollName = roll;
    request.one = 1;
    request.folder = folderText.c_str();
    std::memcpy(request.format, "JPG", 4);
    request.pixels = opc::kPicturePixels;
    if (const std::int32_t s = opc::OpcActivityMode(session, Callbacks::cancel, opc::kActivityDownload, 0, 0))
        return s;
    return opc::OpcGetImage(session, Callbacks::cancel, Callbacks::onProgress, &picture, &request);
}

std::int32_t listRolls(std::int32_t session, const char* account, const char* password, std::vector<std::string>* names)
{
    static opc::RollEntry rolls[opc::kMaxRolls];
    opc::RollListRequest request{};
    request.email = account;
    request.password = password;
    request.unused = "";
    const std::int32_t status =
        opc::OpcListRelatedFilms(session, Callbacks::cancel, 0, opc::kMaxRolls, rolls, &request);
    if (names) {
        names->clear();
        for (int i = 0; i < request.rollCount; ++i)
            names->push_back(rolls[i].name);
    }
    return status;
}

std::int32_t openSession(const std::string& host, std::uint16_t port, std::int32_t* session)
{
    return opc::OpcInit(Callbacks::cancel, opc::kVersion, host.c_str(), port, "Quillmere", "Pn7kW2qd", session);
}

}  // namespace hf::test
