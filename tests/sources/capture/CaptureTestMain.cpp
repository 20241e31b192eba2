#include <QApplication>

#include <gtest/gtest.h>

#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

namespace {

// An Xvfb of the suite's own: pointer and keyboard grabs and real pointer
// events must not meet other suites' windows.
class PrivateXServer {
public:
    PrivateXServer()
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
    ~PrivateXServer()
    {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    const std::string& display() const { return display_; }
    PrivateXServer(const PrivateXServer&) = delete;
    PrivateXServer& operator=(const PrivateXServer&) = delete;
    PrivateXServer(PrivateXServer&&) = delete;
    PrivateXServer& operator=(PrivateXServer&&) = delete;

private:
    pid_t pid_ = -1;
    std::string display_;
};

bool listingOnly(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--gtest_list_tests", 18) == 0)
            return true;
    return false;
}

}  // namespace

int main(int argc, char** argv)
{
    // Listing the tests at build time needs no display.
    std::optional<PrivateXServer> server;
    if (listingOnly(argc, argv)) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    } else {
        server.emplace();
        if (server->display().empty()) {
            std::fprintf(stderr, "Xvfb could not be started\n");
            return 1;
        }
        ::setenv("DISPLAY", server->display().c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
        // A plain X11 desktop, even when the tests run inside a Wayland session.
        ::unsetenv("WAYLAND_DISPLAY");
        ::unsetenv("XDG_SESSION_TYPE");
    }
    int result = 0;
    {
        QApplication app(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    return result;
}
