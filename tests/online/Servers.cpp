#include "Servers.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <stdexcept>
#include <sstream>

namespace hf::test {
namespace {

bool connects(int port)
{
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(std::uint16_t(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    close(s);
    return ok;
}

}  // namespace

std::string scriptPath(const char* name)
{
    return std::string(HANDFOLIO_SCRIPTS_DIR) + "/" + name;
}

int freePort()
{
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    const bool bound = s >= 0 && bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
                       getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0;
    if (s >= 0)
        close(s);
    if (!bound)
        throw std::runtime_error("no free port on loopback");
    return ntohs(a.sin_port);
}

bool haveProgram(const char* path)
{
    return access(path, X_OK) == 0;
}

void makeReadable(const std::filesystem::path& path)
{
    namespace fs = std::filesystem;
    fs::permissions(path, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec);
    for (const auto& e : fs::recursive_directory_iterator(path))
        fs::permissions(e.path(), e.is_directory() ? fs::perms(0755) : fs::perms(0644));
}

ServerProcess::ServerProcess(const std::string& script, std::vector<std::string> args, int port,
                             const std::filesystem::path& log)
    : port_(port)
{
    args.insert(args.begin(), script);
    args.insert(args.begin(), "bash");
    pid_ = fork();
    if (pid_ == 0) {
        setpgid(0, 0);
        const int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(fd, 1);
        dup2(fd, 2);
        std::vector<char*> argv;
        argv.reserve(args.size() + 1);
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        execv("/bin/bash", argv.data());
        _exit(127);
    }
    setpgid(pid_, pid_);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        if (connects(port)) {
            ready_ = true;
            return;
        }
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void ServerProcess::stop()
{
    if (pid_ <= 0)
        return;
    kill(-pid_, SIGTERM);
    int status = 0;
    for (int i = 0; i < 300; ++i) {
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (pid_ > 0) {
        kill(-pid_, SIGKILL);
        waitpid(pid_, &status, 0);
        pid_ = -1;
    }
    // Wait until the port is closed, so a test of a stopped server is one.
    for (int i = 0; i < 300 && connects(port_); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

ServerProcess::~ServerProcess()
{
    stop();
}

FakeHttpServer::FakeHttpServer(std::map<std::string, Answer> answers) : answers_(std::move(answers))
{
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    const int one = 1;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len) != 0 || listen(listener_, 16) != 0) {
        close(listener_);
        throw std::runtime_error("cannot listen on loopback");
    }
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { serve(); });
}

FakeHttpServer::~FakeHttpServer()
{
    stopping_ = true;
    shutdown(listener_, SHUT_RDWR);
    thread_.join();
    close(listener_);
}

std::vector<FakeHttpServer::Seen> FakeHttpServer::seen() const
{
    std::lock_guard lock(mutex_);
    return seen_;
}

void FakeHttpServer::setAnswer(const std::string& path, Answer answer)
{
    std::lock_guard lock(mutex_);
    answers_[path] = std::move(answer);
}

void FakeHttpServer::serve()
{
    while (!stopping_) {
        pollfd p{listener_, POLLIN, 0};
        if (poll(&p, 1, 50) <= 0)
            continue;
        const int c = accept(listener_, nullptr, nullptr);
        if (c < 0)
            continue;
        std::string request;
        char buffer[4096];
        std::size_t headerEnd = std::string::npos;
        std::size_t needed = 0;
        while (true) {
            const ssize_t n = recv(c, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            request.append(buffer, std::size_t(n));
            if (headerEnd == std::string::npos && (headerEnd = request.find("\r\n\r\n")) != std::string::npos) {
                const auto cl = request.find("Content-Length: ");
                needed = headerEnd + 4 + (cl != std::string::npos && cl < headerEnd ? std::stoul(request.substr(cl + 16)) : 0);
            }
            if (headerEnd != std::string::npos && request.size() >= needed)
                break;
        }
        Seen seen;
        std::istringstream first(request.substr(0, request.find("\r\n")));
        first >> seen.method >> seen.path;
        auto header = [&](const std::string& name) {
            const auto at = request.find("\r\n" + name + ": ");
            if (at == std::string::npos || at > headerEnd)
                return std::string();
            const auto begin = at + 4 + name.size();
            return request.substr(begin, request.find("\r\n", begin) - begin);
        };
        seen.authorization = header("Authorization");
        seen.userAgent = header("User-Agent");
        Answer answer{404, "", ""};
        {
            std::lock_guard lock(mutex_);
            seen_.push_back(seen);
            if (auto it = answers_.find(seen.path); it != answers_.end())
                answer = it->second;
        }
        const std::size_t length = answer.declaredLength ? answer.declaredLength : answer.body.size();
        std::string reply = "HTTP/1.1 " + std::to_string(answer.status) +
                            " X\r\nContent-Length: " + std::to_string(length) + "\r\nConnection: close\r\n" +
                            answer.headers + "\r\n" + (seen.method == "HEAD" ? std::string() : answer.body);
        for (std::size_t sent = 0; sent < reply.size() && !stopping_;) {
            if (answer.dripMs)
                std::this_thread::sleep_for(std::chrono::milliseconds(answer.dripMs));
            const ssize_t n = send(c, reply.data() + sent, answer.dripMs ? 1 : reply.size() - sent, MSG_NOSIGNAL);
            if (n <= 0)
                break;
            sent += std::size_t(n);
        }
        close(c);
    }
}

}  // namespace hf::test
