#pragma once

#include <cstdint>

class QScreen;

namespace rz4::mainwindow {

// Height in twips that a taskbar at the bottom of the screen takes; 0 for one elsewhere.
std::int16_t TaskbarHeight(const QScreen& screen);

} // namespace rz4::mainwindow
