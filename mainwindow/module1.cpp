#include "mainwindow/module1.h"

#include "mainwindow/commands.h"
#include "mainwindow/layout.h"

#include <QScreen>

namespace rz4::mainwindow {

std::int16_t TaskbarHeight(const QScreen& screen) {
    const QRect all = screen.geometry();
    const QRect work = screen.availableGeometry();
    // The work area's bottom edge as the screen counts it: exclusive, from the screen's top.
    const int bottom = work.y() + work.height() - all.y();
    return taskbarHeightTwips(bottom, all.height() * double{TwipsPerPixel}, TwipsPerPixel);
}

} // namespace rz4::mainwindow
