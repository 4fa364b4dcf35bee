#pragma once

#include <string_view>

// Tooltips of the hot areas.
namespace rz4::mainwindow::tip {
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
} // namespace rz4::mainwindow::tip
