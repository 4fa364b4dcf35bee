#include "mainwindow/window_placement.h"

#include "common/device_pixels.h"

#include <QRect>
#include <QWidget>

namespace rz4::mainwindow {

QRect pixels(const TwipRect& r) {
    const PixelRect p = toPixels(r);
    return {p.x, p.y, p.width, p.height};
}

void placeWindow(QWidget& window, const QRect& geometry) {
    const double scale = window.devicePixelRatioF();
    window.setBaseSize(
        common::resizeBaseFor(common::toDevicePixels(geometry.width(), scale), scale),
        common::resizeBaseFor(common::toDevicePixels(geometry.height(), scale), scale));
    window.setGeometry(geometry);
}

} // namespace rz4::mainwindow
