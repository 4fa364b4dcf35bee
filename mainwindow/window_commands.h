#pragma once

#include "mainwindow/layout.h"

#include <cstdint>
#include <functional>
#include <string_view>

namespace rz4::mainwindow {

// The hot areas of the control arrays by their Index: Image9 on the title bar, Image14 under the
// video.
enum class TitleButton : std::int16_t { Minimise = 0, OnTop = 1, MaximiseOrRestore = 2, Close = 3 };
enum class PlayerButton : std::int16_t { Play = 0, Stop = 1, Mute = 2, FullScreen = 3 };

template <class Button> constexpr std::int16_t indexOf(Button button) {
    return static_cast<std::int16_t>(button);
}

struct OnTopStep {
    bool onTop;                  // the state to put the window in
    std::u16string_view nextTip; // the tooltip afterwards
};
OnTopStep onTopCommand(std::u16string_view tooltip);

struct SizeStep {
    TwipRect window; // outer rectangle, relative to the screen's top-left corner
    std::u16string_view nextTip;
};
// Maximise leaves the taskbar's height free at the bottom; restore goes back to the design size,
// centred. The taskbar height is asked for only when maximising.
SizeStep sizeCommand(std::u16string_view tooltip, float screenWidth, float screenHeight,
                     const std::function<std::int16_t()>& taskbarHeight);

} // namespace rz4::mainwindow
