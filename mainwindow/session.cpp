#include "mainwindow/session.h"

namespace rz4::mainwindow {

std::optional<std::string> platformsToTry(const Session& session) {
    if (session.platformChosen) {
        return std::nullopt;
    }
    // A session that names its type is believed; without one, a Wayland socket tells.
    const bool wayland = session.sessionType == "wayland" ||
                         (session.sessionType.empty() && !session.waylandDisplay.empty());
    if (!wayland) {
        return std::nullopt;
    }
    return std::string("xcb;wayland");
}

bool platformShowsVideo(std::string_view platformName) {
    return platformName == "xcb" || platformName == "offscreen" || platformName == "minimal";
}

bool platformArgumentGiven(int argc, const char* const* argv) {
    for (int i = 1; i + 1 < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "-platform" || arg == "--platform") {
            return true;
        }
    }
    return false;
}

} // namespace rz4::mainwindow
