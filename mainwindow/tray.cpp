#include "mainwindow/tray.h"

namespace rz4::mainwindow {

TrayAction trayAction(TrayClick click, bool shown) {
    if (click != TrayClick::Left) {
        return TrayAction::None;
    }
    return shown ? TrayAction::Hide : TrayAction::Show;
}

} // namespace rz4::mainwindow
