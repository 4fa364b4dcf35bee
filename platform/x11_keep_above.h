#pragma once

class QWindow;

namespace rz4::platform {

// Asks the X11 window manager to keep a shown window above the others, or to stop doing so,
// without touching the window's flags: changing those makes Qt recreate the native window the
// next time it is shown, and that kills the video embedded in it. False when not on X11.
bool requestKeepAbove(QWindow& window, bool above);

} // namespace rz4::platform
