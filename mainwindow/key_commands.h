#pragma once

#include <QtCore/qnamespace.h>

#include <cstdint>
#include <optional>

namespace rz4::mainwindow {

// What the window's keys do; each goes through the same handler as the mouse.
enum class KeyCommand {
    PlayPause,
    Stop,
    Mute,
    FullScreen,
    LeaveFullScreen,
    PreviousChannel,
    NextChannel,
    VolumeUp,
    VolumeDown,
    SeekBack, // 10 s
    SeekForward,
    SeekBackLong, // a minute
    SeekForwardLong,
    GoLive,
    Record,          // from the moment on screen, or ends a recording
    RecordFromStart, // from the oldest moment held
    Help,
};

// Seconds a seek key moves, and with Shift.
constexpr double SeekStep = 10;
constexpr double LongSeekStep = 60;

// Where the keyboard's focus is: the tree keeps the keys that move through it, and those that find
// a channel by typing and play it; a button reached by Tab keeps Space and Enter, which press it;
// on the volume slider the arrows move it.
enum class KeyFocus { Window, Tree, Button, Slider };

// The command of a key pressed on the window, if it has one. Keys held with Ctrl, Alt or Meta
// belong to others.
std::optional<KeyCommand> keyCommand(int key, Qt::KeyboardModifiers modifiers, KeyFocus focus);

// The volume one step up or down (a key, a notch of the wheel), kept within the slider's range.
std::int32_t steppedVolume(std::int32_t value, int steps, std::int32_t max);

// The wheel's notches in a turn of `delta` eighths of a degree, carrying what is left of a notch
// in `rest` (fine-grained wheels and touchpads send fractions of one).
int wheelNotches(int delta, int& rest);

// The slider value for a volume of 0.0 to 1.0.
std::int32_t sliderValue(double volume, std::int32_t max);

} // namespace rz4::mainwindow
