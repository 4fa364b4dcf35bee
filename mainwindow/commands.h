#pragma once

#include "mainwindow/layout.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace rz4::mainwindow {

// Tooltips of the hot areas. The two-state commands keep their state in their tooltip, which
// always names what the next click does.
namespace tip {
inline constexpr std::u16string_view Minimise = u"最小化";
inline constexpr std::u16string_view OnTop = u"窗口置顶";
inline constexpr std::u16string_view NotOnTop = u"取消置顶";
inline constexpr std::u16string_view Maximise = u"最大化";
inline constexpr std::u16string_view Restore = u"还原";
inline constexpr std::u16string_view Close = u"关闭";
inline constexpr std::u16string_view Play = u"播放";
inline constexpr std::u16string_view Stop = u"停止";
inline constexpr std::u16string_view Mute = u"静音";
inline constexpr std::u16string_view FullScreen = u"全屏";
} // namespace tip

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

// Twips between the bottom of the work area and the bottom of the screen (0 when the taskbar
// is not at the bottom), rounded half to even; the overflow error when it leaves 16 bits.
std::int16_t taskbarHeightTwips(int workAreaBottomPixels, double screenHeightTwips,
                                double twipsPerPixel);

// The tray icon reports mouse events by their message number.
namespace trayevent {
inline constexpr int MouseMove = 512;
inline constexpr int LeftDown = 513;
inline constexpr int LeftUp = 514;
inline constexpr int LeftDoubleClick = 515;
inline constexpr int RightDown = 516;
inline constexpr int MiddleDown = 519;
} // namespace trayevent

// Visibility marker of the window as the tray icon sees it.
namespace marker {
inline constexpr std::u16string_view Shown = u"显示";
inline constexpr std::u16string_view Hidden = u"隐藏";
} // namespace marker

enum class TrayAction { None, Hide, Show };
TrayAction trayAction(int eventCode, std::u16string_view visibilityMarker);

} // namespace rz4::mainwindow
