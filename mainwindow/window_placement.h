#pragma once

#include "mainwindow/layout.h"

#include <QRect>

class QWidget;

namespace rz4::mainwindow {

// A rectangle in twips, in logical pixels.
QRect pixels(const TwipRect& r);

// Gives a top-level window its geometry (logical pixels) so that it also gets the whole device
// size Qt maps it to: at fractional scale factors the window manager would otherwise round the
// size down to Qt's resize steps, and the layout would run for a window a pixel short.
void placeWindow(QWidget& window, const QRect& geometry);

} // namespace rz4::mainwindow
