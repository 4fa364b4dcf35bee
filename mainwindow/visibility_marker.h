#pragma once

#include <string_view>

namespace rz4::mainwindow {

// Visibility marker of the window as the tray icon sees it.
namespace marker {
inline constexpr std::u16string_view Shown = u"显示";
inline constexpr std::u16string_view Hidden = u"隐藏";
} // namespace marker

} // namespace rz4::mainwindow
