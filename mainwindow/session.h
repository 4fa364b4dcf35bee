#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace rz4::mainwindow {

// What the desktop session says about itself, and whether the user picked Qt's platform.
struct Session {
    std::string_view sessionType;    // XDG_SESSION_TYPE
    std::string_view waylandDisplay; // WAYLAND_DISPLAY
    bool platformChosen = false;     // QT_QPA_PLATFORM set, or -platform on the command line
};

// The Qt platforms to try, in order, when the program has to choose: in a Wayland session
// XWayland first, since the video is embedded in an X window, then Wayland itself, so that without
// XWayland the program still starts and can say why it cannot play. Nothing when the user chose,
// or when the session is not a Wayland one.
std::optional<std::string> platformsToTry(const Session& session);

// Whether the program can work on a Qt platform: X11 embeds the video, and the headless ones show
// none. Anywhere else the player would be handed a window that is not an X window.
bool platformShowsVideo(std::string_view platformName);

// Whether the command line picks Qt's platform, as Qt reads it: -platform NAME or --platform NAME.
bool platformArgumentGiven(int argc, const char* const* argv);

} // namespace rz4::mainwindow
