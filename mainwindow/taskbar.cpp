#include "mainwindow/taskbar.h"

#include "common/twips.h"
#include "mainwindow/taskbar_height.h"

#include <QScreen>

namespace rz4::mainwindow {

std::int16_t TaskbarHeight(const QScreen& screen) {
    const QRect all = screen.geometry();
    const QRect work = screen.availableGeometry();
    // The work area's bottom edge as the screen counts it: exclusive, from the screen's top.
    const int bottom = work.y() + work.height() - all.y();
    return taskbarHeightTwips(bottom, all.height() * double{common::TwipsPerPixel},
                              common::TwipsPerPixel);
}

} // namespace rz4::mainwindow
