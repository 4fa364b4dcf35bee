#include "platform/media_state.h"

namespace rz4::platform {

PlaybackStatus playbackStatus(PlayState state) {
    switch (state) {
    case PlayState::Playing:
    case PlayState::Buffering:
    case PlayState::Transitioning:
    case PlayState::Reconnecting:
        return PlaybackStatus::Playing;
    case PlayState::Paused:
        return PlaybackStatus::Paused;
    case PlayState::Undefined:
    case PlayState::Stopped:
    case PlayState::Ready:
        break;
    }
    return PlaybackStatus::Stopped;
}

QString playbackStatusName(PlaybackStatus status) {
    switch (status) {
    case PlaybackStatus::Playing:
        return QStringLiteral("Playing");
    case PlaybackStatus::Paused:
        return QStringLiteral("Paused");
    case PlaybackStatus::Stopped:
        break;
    }
    return QStringLiteral("Stopped");
}

bool keepsScreenAwake(PlayState state) {
    return state == PlayState::Playing || state == PlayState::Buffering;
}

ChangedProperties changedProperties(const MediaState& before, const MediaState& after) {
    ChangedProperties changed;
    if (before.fullscreen != after.fullscreen) {
        changed.root << QStringLiteral("Fullscreen");
    }
    if (before.canSetFullscreen != after.canSetFullscreen) {
        changed.root << QStringLiteral("CanSetFullscreen");
    }
    if (before.status != after.status) {
        changed.player << QStringLiteral("PlaybackStatus");
    }
    if (before.track != after.track || before.title != after.title || before.album != after.album ||
        before.artist != after.artist) {
        changed.player << QStringLiteral("Metadata");
    }
    if (before.volume != after.volume) {
        changed.player << QStringLiteral("Volume");
    }
    if (before.canPause != after.canPause) {
        changed.player << QStringLiteral("CanPause");
    }
    if (before.canSeek != after.canSeek) {
        changed.player << QStringLiteral("CanSeek");
    }
    if (before.canGoNext != after.canGoNext) {
        changed.player << QStringLiteral("CanGoNext") << QStringLiteral("CanGoPrevious");
    }
    return changed;
}

} // namespace rz4::platform
