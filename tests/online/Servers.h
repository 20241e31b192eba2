#pragma once

// Servers for the online store's tests: real ones (Apache httpd, lighttpd,
// squid) started from the project's scripts on loopback, and a small
// scripted HTTP server for answers no real server gives.

#include <atomic>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace hf::test {

bool haveProgram(const char* path);
// A folder the servers' own users can read (they may run as www-data or proxy).
void makeReadable(const std::filesystem::path& path);

// A loopback port held by a socket that is bound and never listens: a
// connection there is refused, and no other server can take the port.
class ClosedPort {
public:
    ClosedPort();
    ~ClosedPort();
    ClosedPort(const ClosedPort&) = delete;
    ClosedPort& operator=(const ClosedPort&) = delete;

    int port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
};

// How a server started from a script comes by its loopback port.
enum class PortFrom {
    // The test listens on port 0 and hands the socket over as descriptor 3
    // with LISTEN_FDS=1, so no other server can be listening there.
    HandedSocket,
    // A port that was free a moment ago, for servers that bind their own.
    // One that finds it taken meanwhile is started again on another, and
    // the server counts as up only once one of its own processes listens.
    Chosen,
};

// One of scripts/*.sh running in its own process group, "{port}" in its
// arguments standing for its port, waited for until it serves there and
// stopped with SIGTERM when the object goes.
class ServerProcess {
public:
    ServerProcess(const std::string& script, const std::vector<std::string>& args, PortFrom from,
                  const std::filesystem::path& log);
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    bool ready() const { return ready_; }
    int port() const { return port_; }
    // Stops the server and keeps its port closed, so that nothing else
    // answers a test of a stopped server.
    void stop();

private:
    void start(const std::string& script, const std::vector<std::string>& args, PortFrom from,
               const std::filesystem::path& log);
    int pid_ = -1;
    int port_ = 0;
    int held_ = -1;
    bool ready_ = false;
};

// Answers each request from a table by path; records what it was sent.
class FakeHttpServer {
public:
    struct Answer {
        int status = 200;
        std::string body;
        std::string headers;             // extra header lines, each ending in \r\n
        std::size_t declaredLength = 0;  // a Content-Length other than the body's, when not 0
        int dripMs = 0;                  // sends the answer a byte at a time, this far apart
    };
    struct Seen {
        std::string method;
        std::string path;
        std::string authorization;
        std::string userAgent;
    };

    explicit FakeHttpServer(std::map<std::string, Answer> answers);
    ~FakeHttpServer();
    FakeHttpServer(const FakeHttpServer&) = delete;
    FakeHttpServer& operator=(const FakeHttpServer&) = delete;

    int port() const { return port_; }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }
    std::vector<Seen> seen() const;
    void setAnswer(const std::string& path, Answer answer);

private:
    void serve();
    std::map<std::string, Answer> answers_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::vector<Seen> seen_;
    std::thread thread_;
};

std::string scriptPath(const char* name);

}  // namespace hf::test
