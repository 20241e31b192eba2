#include "PrivateXServer.h"

#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>

namespace hf::test {

PrivateXServer::PrivateXServer()
{
    int fds[2];
    if (::pipe(fds) != 0)
        return;
    const std::string fd = std::to_string(fds[1]);
    const char* argv[] = {"Xvfb",         "-displayfd", fd.c_str(), "-screen", "0",
                          "1280x1024x24", "-nolisten",  "tcp",      nullptr};
    if (::posix_spawnp(&pid_, "Xvfb", nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
        pid_ = -1;
    ::close(fds[1]);
    char buffer[32] = {};
    pollfd wait{fds[0], POLLIN, 0};
    if (pid_ > 0 && ::poll(&wait, 1, 15000) == 1 && ::read(fds[0], buffer, sizeof buffer - 1) > 0)
        display_ = ":" + std::string(buffer, std::strcspn(buffer, "\n"));
    ::close(fds[0]);
}

PrivateXServer::~PrivateXServer()
{
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
}

}  // namespace hf::test
