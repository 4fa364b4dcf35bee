#pragma once

namespace rz4::platform {

// While it lives, the X server going away ends the program at once: a line on stderr and exit
// code 1. Left alone, Xlib and Qt call exit() from whichever thread notices first, mpv's video
// thread included, and the static destructors then run under threads still at work: a crash
// instead of an end. Made once the application object exists; does nothing off X11.
class DisplayLossGuard {
public:
    DisplayLossGuard();
    ~DisplayLossGuard();
    DisplayLossGuard(const DisplayLossGuard&) = delete;
    DisplayLossGuard& operator=(const DisplayLossGuard&) = delete;
};

} // namespace rz4::platform
