#pragma once

// Servers for the online store's tests: real ones (Apache httpd, lighttpd,
// squid) started from the project's scripts on free loopback ports, and a
// small scripted HTTP server for answers no real server gives.

#include <atomic>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace hf::test {

int freePort();
bool haveProgram(const char* path);
// A folder the servers' own users can read (they may run as www-data or proxy).
void makeReadable(const std::filesystem::path& path);

// One of scripts/*.sh running in its own process group, waited for until
// its port answers, stopped with SIGTERM when the object goes.
class ServerProcess {
public:
    ServerProcess(const std::string& script, std::vector<std::string> args, int port,
                  const std::filesystem::path& log);
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    bool ready() const { return ready_; }
    int port() const { return port_; }
    void stop();

private:
    int pid_ = -1;
    int port_;
    bool ready_ = false;
};

// Answers each request from a table by path; records what it was sent.
class FakeHttpServer {
public:
    struct Answer {
        int status = 200;
        std::string body;
        std::string headers;  // extra header lines, each ending in \r\n
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
