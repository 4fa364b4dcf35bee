#pragma once

#include <QSize>
#include <QWindow>

#include <cstdint>

struct xcb_connection_t;

namespace rz4::platform {

// The X window mpv is embedded in, a child of the video widget's own. mpv maps its window once, on
// its first picture, and takes a MapNotify of the window it is embedded in for that of its own:
// were Qt to map the widget's window in between (the main window being shown), mpv's window would
// stay unmapped and the video black for good. This window is mapped before mpv sees it and never
// unmapped, so the widget's window may come and go as Qt pleases.
class X11EmbedWindow {
public:
    X11EmbedWindow() = default;
    X11EmbedWindow(const X11EmbedWindow&) = delete;
    X11EmbedWindow& operator=(const X11EmbedWindow&) = delete;
    ~X11EmbedWindow() { destroy(); }

    // Returns 0 when not on X11.
    WId create(WId parent, QSize size);
    // Moves the window, and mpv's inside it, under another X window; the picture goes with it.
    void moveInto(WId parent, QSize size);
    void resize(QSize size);
    void destroy();

    // X refuses a window of no size and counts sizes in 16 bits: a size as the window takes it.
    static std::uint16_t extent(int pixels);

private:
    xcb_connection_t* m_connection = nullptr;
    std::uint32_t m_window = 0;
};

} // namespace rz4::platform
