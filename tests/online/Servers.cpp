#include "Servers.h"

#include "TempDir.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>

namespace hf::test {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

sockaddr_in loopback(int port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(std::uint16_t(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

// A socket bound to the port on loopback (0: one the kernel picks), or -1.
int bindLoopback(int port, bool reuse)
{
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int one = 1;
    const sockaddr_in a = loopback(port);
    if (s >= 0 && (!reuse || setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) == 0) &&
        bind(s, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0)
        return s;
    if (s >= 0)
        close(s);
    return -1;
}

int portOf(int s)
{
    sockaddr_in a{};
    socklen_t len = sizeof a;
    if (getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) != 0)
        throw std::runtime_error("no port on loopback");
    return ntohs(a.sin_port);
}

// Checks the condition every 10 ms until it holds or the time is up.
bool waitFor(const std::function<bool()>& condition, milliseconds limit)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(milliseconds(10));
    }
    return true;
}

// The inodes of the sockets listening on 127.0.0.1 at the port.
std::set<unsigned long> listenersOn(int port)
{
    std::set<unsigned long> inodes;
    std::ifstream table("/proc/net/tcp");
    std::string line;
    std::getline(table, line);
    while (std::getline(table, line)) {
        unsigned address = 0, local = 0, state = 0;
        unsigned long inode = 0;
        if (std::sscanf(line.c_str(), " %*u: %x:%x %*x:%*x %x %*x:%*x %*x:%*x %*x %*u %*u %lu", &address, &local,
                        &state, &inode) == 4 &&
            address == htonl(INADDR_LOOPBACK) && int(local) == port && state == 0x0A)
            inodes.insert(inode);
    }
    return inodes;
}

// Whether a process of the group holds a socket listening on the port.
bool groupListensOn(int group, int port)
{
    const std::set<unsigned long> inodes = listenersOn(port);
    std::error_code ec;
    for (fs::directory_iterator process("/proc", ec), end; !inodes.empty() && !ec && process != end;
         process.increment(ec)) {
        std::string stat;
        std::getline(std::ifstream(process->path() / "stat"), stat);
        const auto name = stat.rfind(')');
        int parent = 0, processGroup = 0;
        if (name == std::string::npos ||
            std::sscanf(stat.c_str() + name + 1, " %*c %d %d", &parent, &processGroup) != 2 || processGroup != group)
            continue;
        std::error_code fdError;
        for (fs::directory_iterator fd(process->path() / "fd", fdError); !fdError && fd != end; fd.increment(fdError)) {
            std::error_code gone;
            unsigned long inode = 0;
            if (std::sscanf(fs::read_symlink(fd->path(), gone).c_str(), "socket:[%lu]", &inode) == 1 &&
                inodes.count(inode))
                return true;
        }
    }
    return false;
}

// Whether a request on the port is answered within the time: the server
// that was handed the listening socket has started serving it.
bool answers(int port, milliseconds limit)
{
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in a = loopback(port);
    static constexpr char kProbe[] = "HEAD / HTTP/1.0\r\n\r\n";
    pollfd p{s, POLLIN, 0};
    char first = 0;
    const bool answered = connect(s, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0 &&
                          send(s, kProbe, sizeof kProbe - 1, MSG_NOSIGNAL) > 0 &&
                          poll(&p, 1, int(limit.count())) == 1 && recv(s, &first, 1, 0) == 1;
    close(s);
    return answered;
}

}  // namespace

std::string scriptPath(const char* name)
{
    return std::string(HANDFOLIO_SCRIPTS_DIR) + "/" + name;
}

bool haveProgram(const char* path)
{
    return access(path, X_OK) == 0;
}

void makeReadable(const std::filesystem::path& path)
{
    fs::permissions(path, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec);
    for (const auto& e : fs::recursive_directory_iterator(path))
        fs::permissions(e.path(), e.is_directory() ? fs::perms(0755) : fs::perms(0644));
}

ClosedPort::ClosedPort() : fd_(bindLoopback(0, false))
{
    if (fd_ < 0)
        throw std::runtime_error("no free port on loopback");
    port_ = portOf(fd_);
}

ClosedPort::~ClosedPort()
{
    close(fd_);
}

ServerProcess::ServerProcess(const std::string& script, const std::vector<std::string>& args, PortFrom from,
                             const fs::path& log)
{
    for (int attempt = 0; attempt < 5; ++attempt) {
        start(script, args, from, log);
        // Another test's server may have bound a chosen port first.
        if (ready_ || pid_ > 0 || from != PortFrom::Chosen ||
            readFile(log).find("Address already in use") == std::string::npos)
            return;
    }
}

void ServerProcess::start(const std::string& script, const std::vector<std::string>& args, PortFrom from,
                          const fs::path& log)
{
    const int listener = bindLoopback(0, false);
    if (listener < 0 || (from == PortFrom::HandedSocket && listen(listener, 64) != 0))
        throw std::runtime_error("cannot listen on loopback");
    port_ = portOf(listener);
    if (from == PortFrom::Chosen)
        close(listener);
    std::vector<std::string> words{"bash", script};
    for (const std::string& a : args)
        words.push_back(a == "{port}" ? std::to_string(port_) : a);
    std::vector<std::string> environment;
    for (char** e = environ; *e; ++e)
        environment.emplace_back(*e);
    if (from == PortFrom::HandedSocket)
        environment.emplace_back("LISTEN_FDS=1");
    // Everything the child needs is made before the fork.
    std::vector<char*> argv, envp;
    for (std::string& w : words)
        argv.push_back(w.data());
    for (std::string& e : environment)
        envp.push_back(e.data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
        setpgid(0, 0);
        const int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        dup2(fd, 1);
        dup2(fd, 2);
        if (from == PortFrom::HandedSocket && (listener == 3 ? fcntl(3, F_SETFD, 0) : dup2(listener, 3)) < 0)
            _exit(126);
        execve("/bin/bash", argv.data(), envp.data());
        _exit(127);
    }
    setpgid(pid_, pid_);
    if (from == PortFrom::HandedSocket)
        close(listener);
    bool ended = false;
    waitFor(
        [&] {
            ready_ = from == PortFrom::Chosen ? groupListensOn(pid_, port_) : answers(port_, milliseconds(100));
            ended = !ready_ && waitpid(pid_, nullptr, WNOHANG) == pid_;
            return ready_ || ended;
        },
        milliseconds(10000));
    if (ended) {
        // Whatever the script had started goes with it.
        kill(-pid_, SIGKILL);
        pid_ = -1;
    }
}

void ServerProcess::stop()
{
    if (pid_ <= 0)
        return;
    kill(-pid_, SIGTERM);
    if (!waitFor([this] { return waitpid(pid_, nullptr, WNOHANG) == pid_; }, milliseconds(3000))) {
        kill(-pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    pid_ = -1;
    // The bind succeeds once the server's last listener is gone; the socket
    // never listens, so connections are refused and no other server of the
    // tests gets the port.
    waitFor([this] { return (held_ = bindLoopback(port_, true)) >= 0; }, milliseconds(3000));
}

ServerProcess::~ServerProcess()
{
    stop();
    if (held_ >= 0)
        close(held_);
}
FakeHttpServer::FakeHttpServer(std::map<std::string, Answer> answers) : answers_(std::move(answers))
{
    listener_ = bindLoopback(0, true);
    if (listener_ < 0 || listen(listener_, 16) != 0) {
        if (listener_ >= 0)
            close(listener_);
        throw std::runtime_error("cannot listen on loopback");
    }
    port_ = portOf(listener_);
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
                needed = headerEnd + 4 +
                         (cl != std::string::npos && cl < headerEnd ? std::stoul(request.substr(cl + 16)) : 0);
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
