#include "platform/x11_embed_window.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>

namespace rz4::platform {

WId X11EmbedWindow::create(WId parent, QSize size) {
    destroy();
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    m_connection = x11 ? x11->connection() : nullptr;
    if (!m_connection) {
        return 0;
    }
    m_window = xcb_generate_id(m_connection);
    // Black like the widget until mpv's picture covers it; no events, so that clicks and keys go
    // on to the widget.
    const uint32_t background = 0;
    xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_window,
                      static_cast<xcb_window_t>(parent), 0, 0, extent(size.width()),
                      extent(size.height()), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                      XCB_CW_BACK_PIXEL, &background);
    // mpv talks to the server on its own connection: the window must be there before it.
    std::free(xcb_request_check(m_connection, xcb_map_window_checked(m_connection, m_window)));
    return m_window;
}

void X11EmbedWindow::moveInto(WId parent, QSize size) {
    if (m_window) {
        xcb_reparent_window(m_connection, m_window, static_cast<xcb_window_t>(parent), 0, 0);
        resize(size);
    }
}

void X11EmbedWindow::resize(QSize size) {
    if (m_window) {
        const uint32_t extents[] = {extent(size.width()), extent(size.height())};
        xcb_configure_window(m_connection, m_window,
                             XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, extents);
        xcb_flush(m_connection);
    }
}

void X11EmbedWindow::destroy() {
    if (m_window) {
        // Checked: the server may have destroyed it with its parent already.
        std::free(
            xcb_request_check(m_connection, xcb_destroy_window_checked(m_connection, m_window)));
        m_window = 0;
    }
}

std::uint16_t X11EmbedWindow::extent(int pixels) {
    return static_cast<std::uint16_t>(std::clamp(pixels, 1, 32767));
}

} // namespace rz4::platform
