#include "mainwindow/tray.h"

#include "mainwindow/visibility_marker.h"

namespace rz4::mainwindow {

TrayAction trayAction(TrayClick click, std::u16string_view visibilityMarker) {
    if (click != TrayClick::Left) {
        return TrayAction::None;
    }
    return visibilityMarker == marker::Shown ? TrayAction::Hide : TrayAction::Show;
}

} // namespace rz4::mainwindow
