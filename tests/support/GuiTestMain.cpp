#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

// Widget suites run without a display unless one is asked for; test
// discovery at build time runs this too.
int main(int argc, char** argv)
{
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (!platform || !*platform)
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
