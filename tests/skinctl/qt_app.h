#pragma once

#include <QApplication>

namespace rz4::testskin {

// Widgets need an application object; main() belongs to GoogleTest, so it is made on first use.
// It is never destroyed: at exit Qt's own globals may already be gone.
inline QApplication& application() {
    static int argc = 1;
    static char name[] = "skinctl_test";
    static char* argv[] = {name, nullptr};
    static auto* app = new QApplication(argc, argv);
    return *app;
}

} // namespace rz4::testskin
