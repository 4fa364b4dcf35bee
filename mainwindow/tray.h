#pragma once

namespace rz4::mainwindow {

// What the user did on the tray icon.
enum class TrayClick { Left, DoubleClick, Right, Middle, Other };

enum class TrayAction { None, Hide, Show };

// A left click toggles the window: hidden when it is shown, shown otherwise.
TrayAction trayAction(TrayClick click, bool shown);

} // namespace rz4::mainwindow
