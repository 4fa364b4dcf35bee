#pragma once

#include <string_view>

// Visibility marker of the window as the tray icon sees it.
namespace rz4::mainwindow::marker {
inline constexpr std::u16string_view Shown = u"显示";
inline constexpr std::u16string_view Hidden = u"隐藏";

constexpr std::u16string_view of(bool shown) {
    return shown ? Shown : Hidden;
}
} // namespace rz4::mainwindow::marker
