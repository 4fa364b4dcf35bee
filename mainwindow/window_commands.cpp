#include "mainwindow/window_commands.h"

#include "mainwindow/tooltips.h"

namespace rz4::mainwindow {

std::u16string_view onTopTip(bool onTop) {
    return onTop ? tip::NotOnTop : tip::OnTop;
}

std::u16string_view sizeTip(bool maximised) {
    return maximised ? tip::Restore : tip::Maximise;
}

TwipRect windowRect(bool maximised, float screenWidth, float screenHeight,
                    const std::function<std::int16_t()>& taskbarHeight) {
    if (maximised) {
        const std::int16_t taskbar = taskbarHeight();
        return {0, 0, screenWidth, screenHeight - taskbar};
    }
    return {(screenWidth - DesignWidth) / 2, (screenHeight - DesignHeight) / 2, DesignWidth,
            DesignHeight};
}

} // namespace rz4::mainwindow
