#include "mainwindow/viewing.h"

#include <algorithm>

namespace rz4::mainwindow {

Viewing::Viewing(ViewingPlatform& platform, const QAbstractItemModel& channels, int tagRole,
                 QObject* parent)
    : QObject(parent), m_platform(platform), m_channels(channels), m_tagRole(tagRole) {}

bool Viewing::playChannel(const QModelIndex& node) {
    const QModelIndex first = node.siblingAtColumn(0);
    const QString address = first.data(m_tagRole).toString();
    if (address.isEmpty()) {
        return false;
    }
    Channel channel{first, first.data(Qt::DisplayRole).toString(),
                    first.parent().data(Qt::DisplayRole).toString(), address};
    // Told before the stream opens: the name shows while the channel connects.
    if (channel != m_channel) {
        m_channel = std::move(channel);
        emit channelChanged();
    }
    m_platform.open(m_channel);
    return true;
}

bool Viewing::playAdjacent(Direction direction, const QModelIndex& from) {
    const QModelIndex channel = adjacentChannel(m_channels, from, direction, m_tagRole);
    return channel.isValid() && playChannel(channel);
}

void Viewing::stop() {
    m_platform.stop();
}

void Viewing::playAgain() {
    m_platform.playAgain();
}

void Viewing::pause() {
    m_platform.pause();
}

void Viewing::seekBy(double seconds) {
    if (m_timeShift.available) {
        m_platform.seekBy(seconds);
    }
}

void Viewing::seekTo(double offset) {
    if (m_timeShift.available) {
        m_platform.seekTo(offset);
    }
}

void Viewing::goLive() {
    if (m_timeShift.available) {
        m_platform.goLive();
    }
}

void Viewing::toggleRecording(bool fromStart) {
    m_platform.setRecording(!m_recording.on, fromStart);
}

void Viewing::toggleMute() {
    m_mute = !m_mute;
    m_platform.setMute(m_mute);
    emit muteChanged();
}

void Viewing::setVolume(int volume) {
    volume = std::clamp(volume, 0, MaxVolume);
    // Told every time: the player may not have heard the first value yet.
    m_platform.setVolume(volume);
    if (volume != m_volume) {
        m_volume = volume;
        emit volumeChanged();
    }
}

void Viewing::setFullScreen(bool on) {
    if (on && m_playState != platform::PlayState::Playing) {
        return;
    }
    m_platform.setFullScreen(on);
}

void Viewing::toggleOnTop() {
    m_onTop = !m_onTop;
    m_platform.setOnTop(m_onTop);
    emit onTopChanged();
}

void Viewing::toggleMaximised() {
    m_maximised = !m_maximised;
    m_platform.setMaximised(m_maximised);
    emit maximisedChanged();
}

void Viewing::setShown(bool shown) {
    m_platform.setShown(shown);
    if (shown != m_shown) {
        m_shown = shown;
        emit shownChanged();
    }
}

void Viewing::reportPlayState(platform::PlayState state) {
    if (state != m_playState) {
        m_playState = state;
        emit playStateChanged();
    }
}

void Viewing::reportFullScreen(bool on) {
    if (on != m_fullScreen) {
        m_fullScreen = on;
        emit fullScreenChanged();
    }
}

void Viewing::reportTimeShift(const platform::TimeShiftView& view) {
    if (view != m_timeShift) {
        m_timeShift = view;
        emit timeShiftChanged();
    }
}

void Viewing::reportRecording(const platform::RecordingView& view) {
    if (view != m_recording) {
        m_recording = view;
        emit recordingChanged();
    }
}

} // namespace rz4::mainwindow
