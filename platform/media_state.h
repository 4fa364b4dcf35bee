#pragma once

#include "platform/playback.h"

#include <QString>
#include <QStringList>

namespace rz4::platform {

// What the desktop's media controls show of playback.
enum class PlaybackStatus { Stopped, Playing, Paused };

// A channel being opened, buffering or reconnecting is on its way to playing: the controls show
// it playing, so that their play/pause button stops it. A still picture or a failure is stopped.
PlaybackStatus playbackStatus(PlayState state);
QString playbackStatusName(PlaybackStatus status);

// The screen stays awake while a channel shows pictures, not while it waits for them.
bool keepsScreenAwake(PlayState state);

// Everything the desktop's media controls read; the window fills it in, the service publishes it.
struct MediaState {
    PlaybackStatus status = PlaybackStatus::Stopped;
    int track = 0;     // counts the channels chosen; 0 while none has been
    QString title;     // the channel's name
    QString album;     // its group
    QString artist;    // the programme on it now, from the guide; empty without one
    double volume = 0; // 0.0 to 1.0
    bool fullscreen = false;
    bool canSetFullscreen = false;
    bool canGoNext = false; // and previous: a list with channels is loaded
    bool canPause = false;  // and seek: the channel on has a time-shift buffer
    bool canSeek = false;
    qlonglong position = 0; // microseconds from the buffer's start to the moment on screen

    bool operator==(const MediaState&) const = default;
};

// The properties that differ between two states, by interface.
struct ChangedProperties {
    QStringList root;
    QStringList player;
};
ChangedProperties changedProperties(const MediaState& before, const MediaState& after);

} // namespace rz4::platform
