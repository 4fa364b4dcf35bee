#pragma once

namespace rz4::mainwindow {

// Gives screen readers what the window's own widgets do not say by themselves: the window as a
// frame, the hot areas as buttons named by their tooltips, the volume slider with its value, and
// channel items that play when activated. Call once the application object exists, before any
// window is made: an interface, once asked for, stays.
void installAccessibility();

class Form1;

// Names for the window's controls that show no text of their own.
void nameControls(const Form1& form);

} // namespace rz4::mainwindow
