#pragma once

#include "mainwindow/channel_order.h"
#include "platform/playback.h"
#include "platform/time_shift.h"

#include <QAbstractItemModel>
#include <QObject>
#include <QPersistentModelIndex>
#include <QString>

namespace rz4::mainwindow {

// A channel of the list: its node in the tree, its name, its group and its stream address.
struct Channel {
    QPersistentModelIndex node;
    QString name;
    QString group;
    QString address;

    bool operator==(const Channel&) const = default;
};

// What carries the viewing commands out: the player and the window.
class ViewingPlatform {
public:
    virtual void open(const Channel& channel) = 0;
    virtual void playAgain() = 0;
    virtual void stop() = 0;
    virtual void pause() = 0;
    virtual void seekBy(double seconds) = 0;
    virtual void seekTo(double offset) = 0;
    virtual void goLive() = 0;
    virtual void setRecording(bool on, bool fromStart) = 0;
    virtual void setVolume(int volume) = 0;
    virtual void setMute(bool mute) = 0;
    virtual void setFullScreen(bool on) = 0;
    virtual void setOnTop(bool onTop) = 0;
    virtual void setMaximised(bool maximised) = 0;
    virtual void setShown(bool shown) = 0;

protected:
    ~ViewingPlatform() = default;
};

// What is being watched and what the window is doing, in one place. Every path that acts on
// playback or on the window (its hot areas, the keyboard, the desktop's media controls, the tray)
// goes through these commands, and labels, tooltips and the media controls follow the signals.
class Viewing : public QObject {
    Q_OBJECT
public:
    static constexpr int MaxVolume = 100;

    // channels: the tree the channels are chosen from; tagRole holds a channel's address.
    Viewing(ViewingPlatform& platform, const QAbstractItemModel& channels, int tagRole,
            QObject* parent = nullptr);

    const Channel& channel() const { return m_channel; }
    platform::PlayState playState() const { return m_playState; }
    int volume() const { return m_volume; }
    bool mute() const { return m_mute; }
    bool fullScreen() const { return m_fullScreen; }
    bool onTop() const { return m_onTop; }
    bool maximised() const { return m_maximised; }
    bool shown() const { return m_shown; }
    const platform::TimeShiftView& timeShift() const { return m_timeShift; }
    const platform::RecordingView& recording() const { return m_recording; }

    // Opens the channel at node; false, and nothing happens, when the node is not a channel.
    bool playChannel(const QModelIndex& node);
    // The channel before or after `from` in the tree's order, or the first or last from none.
    bool playAdjacent(Direction direction, const QModelIndex& from);
    void stop();
    void playAgain();
    // Holds the picture of a channel that can be held; one that cannot stops, as before.
    void pause();
    // Within what is held: by seconds from the moment on screen, to seconds from the start.
    void seekBy(double seconds);
    void seekTo(double offset);
    void goLive();
    // Starts a recording from the moment on screen or the oldest held, or ends the one running.
    void toggleRecording(bool fromStart);
    void toggleMute();
    void setVolume(int volume);
    // Entering full screen needs a channel that plays; leaving is always possible.
    void setFullScreen(bool on);
    void toggleOnTop();
    void toggleMaximised();
    void setShown(bool shown);

    // What the player reports of itself: it may change these on its own (a stream ends, Esc on
    // the picture).
    void reportPlayState(platform::PlayState state);
    void reportFullScreen(bool on);
    void reportTimeShift(const platform::TimeShiftView& view);
    void reportRecording(const platform::RecordingView& view);

signals:
    void channelChanged();
    void playStateChanged();
    void volumeChanged();
    void muteChanged();
    void fullScreenChanged();
    void onTopChanged();
    void maximisedChanged();
    void shownChanged();
    void timeShiftChanged();
    void recordingChanged();

private:
    ViewingPlatform& m_platform;
    const QAbstractItemModel& m_channels;
    int m_tagRole;
    Channel m_channel;
    platform::PlayState m_playState = platform::PlayState::Undefined;
    int m_volume = 0;
    bool m_mute = false;
    bool m_fullScreen = false;
    bool m_onTop = false;
    bool m_maximised = false;
    bool m_shown = true;
    platform::TimeShiftView m_timeShift;
    platform::RecordingView m_recording;
};

} // namespace rz4::mainwindow
