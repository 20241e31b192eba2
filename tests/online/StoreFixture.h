#pragma once

// A photo store on loopback for the client library's tests: a folder of
// rolls served by Apache httpd or lighttpd with Basic credentials, and for
// Apache a second instance that holds the roll the first one redirects to.

#include "OpcClient.h"
#include "Servers.h"
#include "TempDir.h"

#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace hf::test {

enum class DavServer { Apache, ApacheDigest, Lighttpd };

inline constexpr const char* kAccount = "ann@example.com";
inline constexpr const char* kPassword = "s3cret pass";
inline constexpr const char* kHoliday = "Holiday 2026";

// Two roll names longer than a roll entry holds, equal in their first 100 bytes.
std::string longRollName(int which);

class PhotoStore {
public:
    // Builds the rolls and starts the server; ready() is false and
    // skipReason() says why when the server's program is not installed.
    explicit PhotoStore(DavServer server, bool rateLimitBig = true);
    ~PhotoStore();
    PhotoStore(const PhotoStore&) = delete;
    PhotoStore& operator=(const PhotoStore&) = delete;
    PhotoStore(PhotoStore&&) = delete;
    PhotoStore& operator=(PhotoStore&&) = delete;

    bool ready() const { return ready_; }
    // Set when the program is not installed: the only reason to skip.
    const std::string& skipReason() const { return skip_; }
    // What the servers said when they did not start.
    const std::string& failure() const { return failure_; }
    int port() const { return main_->port(); }
    int movedPort() const { return moved_ ? moved_->port() : 0; }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(port()) + "/"; }
    const std::filesystem::path& downloads() const { return downloads_; }
    // The main server's folder of rolls; a roll added here is served at once.
    std::filesystem::path rolls() const { return dir_ / "root"; }
    std::uint64_t sizeOf(const std::string& roll, const std::string& file) const;
    // Whether the main Apache server logged an answer as this status and
    // method ("401 GET").
    bool logged(const std::string& line) const;
    void stop() { main_->stop(); }

    static constexpr std::uint64_t kBigBytes = 6u << 20;

private:
    TempDir dir_;
    std::filesystem::path downloads_;
    std::unique_ptr<ServerProcess> main_;
    std::unique_ptr<ServerProcess> moved_;
    bool ready_ = false;
    std::string skip_;
    std::string failure_;
};

// The library's callbacks for tests: progress records are kept, and the
// cancel flag can be raised from another thread.
struct Callbacks {
    static std::vector<opc::Progress>& progress();
    static void reset();
    static void cancelNow();
    static double millisecondsSinceCancel();
    static int cancel(void*);
    static void onProgress(void*, const opc::Progress* p);
};

// Raises the cancel flag from a thread of its own once a progress record
// shows this many bytes done; the thread ends with the object.
class CancelOnceDone {
public:
    explicit CancelOnceDone(std::uint64_t bytes);

private:
    std::jthread thread_;
};

struct ThumbnailRun {
    std::int32_t status = 0;
    std::int32_t count = 0;
    std::vector<std::int32_t> numbers;
};
ThumbnailRun getThumbnails(std::int32_t session, const char* roll, const std::filesystem::path& folder);
std::int32_t getImage(std::int32_t session, const char* roll, std::int32_t number, const std::filesystem::path& folder);
std::int32_t listRolls(std::int32_t session, const char* account, const char* password,
                       std::vector<std::string>* names);
std::int32_t openSession(const std::string& host, std::uint16_t port, std::int32_t* session);

}  // namespace hf::test
