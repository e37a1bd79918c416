// Entry point of the widget tests: an X server of the process's own, one QApplication on it for
// the whole binary, then GoogleTest. With a private server the tests of all binaries can run
// side by side (ctest -j): none grabs another's keys, covers its windows or takes its focus.
// KD_TEST_SHARED_DISPLAY=1 keeps the display in DISPLAY instead, to watch a test run; without
// Xvfb on the machine the tests use DISPLAY as well.
#include <gtest/gtest.h>

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "support/test_display.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // ctest lists the tests before running them: that needs no screen.
    if (GTEST_FLAG_GET(list_tests)) {
        return RUN_ALL_TESTS();
    }
    std::unique_ptr<kd::test::TestDisplay> display;
    std::unique_ptr<kd::test::DisplayVariable> display_variable;
    const char* shared = std::getenv("KD_TEST_SHARED_DISPLAY");
    const bool private_display = (shared == nullptr || std::strcmp(shared, "1") != 0) &&
                                 std::system("command -v Xvfb >/dev/null 2>&1") == 0;
    if (private_display) {
        std::string why;
        display = kd::test::TestDisplay::start(why);
        if (!display) {
            std::fprintf(stderr, "no X server for the tests: %s\n", why.c_str());
            return 1;
        }
        display_variable = std::make_unique<kd::test::DisplayVariable>(display->name());
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    }
    int status = 0;
    {
        QApplication app(argc, argv);
        status = RUN_ALL_TESTS();
    }
    return status;
}
