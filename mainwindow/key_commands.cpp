#include "mainwindow/key_commands.h"

#include <algorithm>
#include <cmath>

namespace rz4::mainwindow {

namespace {

constexpr std::int32_t VolumeStep = 5;
constexpr int NotchDelta = 120;

} // namespace

std::optional<KeyCommand> keyCommand(int key, Qt::KeyboardModifiers modifiers, KeyFocus focus) {
    // Shift makes "+" on many keyboards; the keypad's keys carry a modifier of their own.
    if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) {
        return std::nullopt;
    }
    // In the tree, letters and digits find a channel by its name and Enter plays what they found.
    const bool findsChannels = (key >= Qt::Key_0 && key <= Qt::Key_9) ||
                               (key >= Qt::Key_A && key <= Qt::Key_Z) || key == Qt::Key_Return ||
                               key == Qt::Key_Enter;
    if (focus == KeyFocus::Tree && findsChannels) {
        return std::nullopt;
    }
    const bool pressesButton =
        key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter;
    if (focus == KeyFocus::Button && pressesButton) {
        return std::nullopt;
    }
    if (focus == KeyFocus::Slider) {
        if (key == Qt::Key_Left || key == Qt::Key_Down) {
            return KeyCommand::VolumeDown;
        }
        if (key == Qt::Key_Right || key == Qt::Key_Up) {
            return KeyCommand::VolumeUp;
        }
    }
    switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        if (focus == KeyFocus::Tree) {
            return std::nullopt;
        }
        return key == Qt::Key_Up || key == Qt::Key_PageUp ? KeyCommand::PreviousChannel
                                                          : KeyCommand::NextChannel;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_End: {
        // The tree opens, closes and moves with these.
        if (focus == KeyFocus::Tree) {
            return std::nullopt;
        }
        const bool longer = modifiers & Qt::ShiftModifier;
        if (key == Qt::Key_End) {
            return KeyCommand::GoLive;
        }
        if (key == Qt::Key_Left) {
            return longer ? KeyCommand::SeekBackLong : KeyCommand::SeekBack;
        }
        return longer ? KeyCommand::SeekForwardLong : KeyCommand::SeekForward;
    }
    case Qt::Key_R:
        return modifiers & Qt::ShiftModifier ? KeyCommand::RecordFromStart : KeyCommand::Record;
    case Qt::Key_Space:
        return KeyCommand::PlayPause;
    case Qt::Key_S:
        return KeyCommand::Stop;
    case Qt::Key_M:
        return KeyCommand::Mute;
    case Qt::Key_F:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return KeyCommand::FullScreen;
    case Qt::Key_Escape:
        return KeyCommand::LeaveFullScreen;
    case Qt::Key_Plus:
        return KeyCommand::VolumeUp;
    case Qt::Key_Minus:
        return KeyCommand::VolumeDown;
    case Qt::Key_F1:
        return KeyCommand::Help;
    default:
        return std::nullopt;
    }
}

std::int32_t steppedVolume(std::int32_t value, int steps, std::int32_t max) {
    const std::int64_t stepped = std::int64_t{value} + std::int64_t{steps} * VolumeStep;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(stepped, 0, std::max(max, 0)));
}

int wheelNotches(int delta, int& rest) {
    rest += delta;
    const int notches = rest / NotchDelta;
    rest -= notches * NotchDelta;
    return notches;
}

std::int32_t sliderValue(double volume, std::int32_t max) {
    if (std::isnan(volume)) {
        return 0;
    }
    return static_cast<std::int32_t>(std::lround(std::clamp(volume, 0.0, 1.0) * max));
}

} // namespace rz4::mainwindow
