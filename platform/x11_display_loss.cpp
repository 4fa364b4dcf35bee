#include "platform/x11_display_loss.h"

#include <QGuiApplication>

#include <X11/Xlib.h>
#include <xcb/xcb.h>

#include <atomic>
#include <cstdlib>
#include <unistd.h>

namespace rz4::platform {

namespace {

// Qt's own connection, read while the guard lives (the application object outlives it).
std::atomic<xcb_connection_t*> guardedConnection{nullptr};

[[noreturn]] void endNow() {
    static constexpr char line[] = "rz4tv: the connection to the X server was lost; ending\n";
    // Only what is safe from any thread, and no destructor at all.
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, line, sizeof line - 1);
    ::_exit(1);
}

// Every Xlib display of the process reports here, mpv's included: Xlib's handler is global.
int onIoError(Display* /*display*/) {
    endNow();
}

// Qt's event reader notices a broken connection by calling exit(1) itself.
void onExit() {
    xcb_connection_t* c = guardedConnection.load();
    if (c != nullptr && xcb_connection_has_error(c) != 0) {
        endNow();
    }
}

} // namespace

DisplayLossGuard::DisplayLossGuard() {
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr) {
        return;
    }
    XSetIOErrorHandler(onIoError);
    static const bool registered = std::atexit(onExit) == 0;
    if (registered) {
        guardedConnection.store(x11->connection());
    }
}

DisplayLossGuard::~DisplayLossGuard() {
    guardedConnection.store(nullptr);
}

} // namespace rz4::platform
