// The main of every Qt test program: one application object around all of its tests, made after
// the program's own set-up and destroyed before static destructors run.
#include "tests/support/qt_main.h"

#ifdef RZ4_TEST_CORE_APPLICATION
#include <QCoreApplication>
using Application = QCoreApplication;
#else
#include <QApplication>
using Application = QApplication;
#endif

#include <gtest/gtest.h>

#include <cstdlib>
#include <utility>

namespace rz4::testsupport {

namespace {

struct ApplicationSetup {
    std::function<void()> before;
    std::function<void()> after;
    std::function<void()> gone;
};

ApplicationSetup& registered() {
    static ApplicationSetup setup;
    return setup;
}

} // namespace

bool registerApplicationSetup(std::function<void()> before, std::function<void()> after,
                              std::function<void()> gone) {
    registered() = {std::move(before), std::move(after), std::move(gone)};
    return true;
}

} // namespace rz4::testsupport

int main(int argc, char* argv[]) {
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests, as CTest does when it discovers them, needs no application nor display.
    if (GTEST_FLAG_GET(list_tests)) {
        return RUN_ALL_TESTS();
    }
#ifdef RZ4_TEST_OFFSCREEN
    // Widget tests run without a display, and the web engine without a GPU.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 1);
    setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu", 1);
#endif
    const rz4::testsupport::ApplicationSetup& setup = rz4::testsupport::registered();
    if (setup.before) {
        setup.before();
    }
    int result = 0;
    {
        Application app(argc, argv);
        if (setup.after) {
            setup.after();
        }
        result = RUN_ALL_TESTS();
    }
    if (setup.gone) {
        setup.gone();
    }
    return result;
}
