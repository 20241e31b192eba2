#include "PrivateXServer.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace {

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
    std::optional<hf::test::PrivateXServer> server;
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
