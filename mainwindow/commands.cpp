#include "mainwindow/commands.h"

#include "common/numeric.h"

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

std::int16_t taskbarHeightTwips(int workAreaBottomPixels, double screenHeightTwips,
                                double twipsPerPixel) {
    return common::toInt16((screenHeightTwips / twipsPerPixel - workAreaBottomPixels) *
                           twipsPerPixel);
}

TrayAction trayAction(int eventCode, std::u16string_view visibilityMarker) {
    if (eventCode != trayevent::LeftDown) {
        return TrayAction::None;
    }
    return visibilityMarker == marker::Shown ? TrayAction::Hide : TrayAction::Show;
}

} // namespace rz4::mainwindow
