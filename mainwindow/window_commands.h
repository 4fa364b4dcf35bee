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

// The two-state commands' tooltips always name what the next click does.
std::u16string_view onTopTip(bool onTop);
std::u16string_view sizeTip(bool maximised);

// The window's outer rectangle, relative to the screen's top-left corner. Maximised leaves the
// taskbar's height free at the bottom; restored is the design size, centred. The taskbar height
// is asked for only when maximising.
TwipRect windowRect(bool maximised, float screenWidth, float screenHeight,
                    const std::function<std::int16_t()>& taskbarHeight);

} // namespace rz4::mainwindow
