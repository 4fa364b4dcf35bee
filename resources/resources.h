#pragma once

#include <QString>

#include <array>

class QIcon;

namespace rz4::resources {

// Registers the compiled-in pictures (":/skin/…", ":/tree/…", ":/icon/…"). A static library's
// resources are not registered on their own; call once before the first picture is loaded.
void init();

// The sizes the program's icon is drawn at: what desktops ask of an application icon. The
// 48-pixel one is also the window's and the tray's own.
inline constexpr std::array<int, 8> IconSizes{16, 22, 24, 32, 48, 64, 128, 256};

// Where the icon of one of those sizes lives under the resource folder.
inline QString iconPath(int size) {
    return size == 48 ? QStringLiteral("icon/rz4tv.png")
                      : QStringLiteral("icon/rz4tv-%1.png").arg(size);
}

// Every size of the icon at once, so that the window and the tray take the one they need.
QIcon programIcon();

} // namespace rz4::resources
