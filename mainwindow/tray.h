#pragma once

#include <string_view>

namespace rz4::mainwindow {

// What the user did on the tray icon.
enum class TrayClick { Left, DoubleClick, Right, Middle, Other };

enum class TrayAction { None, Hide, Show };

// A left click toggles the window: hidden when the marker says it is shown, shown otherwise.
TrayAction trayAction(TrayClick click, std::u16string_view visibilityMarker);

} // namespace rz4::mainwindow
