#include "mainwindow/window_commands.h"

#include "mainwindow/tooltips.h"

namespace rz4::mainwindow {

OnTopStep onTopCommand(std::u16string_view tooltip) {
    if (tooltip == tip::OnTop) {
        return {true, tip::NotOnTop};
    }
    return {false, tip::OnTop};
}

SizeStep sizeCommand(std::u16string_view tooltip, float screenWidth, float screenHeight,
                     const std::function<std::int16_t()>& taskbarHeight) {
    if (tooltip == tip::Maximise) {
        const std::int16_t taskbar = taskbarHeight();
        return {{0, 0, screenWidth, screenHeight - taskbar}, tip::Restore};
    }
    return {{(screenWidth - DesignWidth) / 2, (screenHeight - DesignHeight) / 2, DesignWidth,
             DesignHeight},
            tip::Maximise};
}

} // namespace rz4::mainwindow
