#pragma once

#include "platform/playback.h"
#include "platform/recorder.h"
#include "platform/stream_relay.h"
#include "platform/time_shift.h"

#include <QObject>
#include <QString>

#include <memory>

class QWidget;

namespace rz4::platform {

// The media player the window embeds: one libmpv instance for the whole run, a native video
// widget, Chinese status texts of its own, reconnection of live channels that drop.
class Player : public QObject {
    Q_OBJECT
public:
    explicit Player(QWidget* videoParent = nullptr);
    ~Player() override;

    // Starts the playback engine: libmpv is opened on a thread of its own and the engine made once
    // it is open, taking up what the player was told meanwhile (address, volume, mute). Until
    // then nothing plays; calling it again does nothing. engineFailed() when it cannot start.
    void startEngine();

    // The widget the video is drawn into; the window places it.
    QWidget* videoWidget() const;

    // Setting an address opens it and starts playing, starting the engine if it is not yet;
    // only network streams are opened.
    QString URL() const;
    void setURL(const QString& url);
    // Shows a still picture from the network the same way, but as a picture: no status of its
    // own, nothing retried, a dark video area when it cannot be fetched.
    void showStill(const QString& url);

    // The channels a viewer is likely to choose next (those around the one playing): switching
    // to them is made quick at the cost of their playlists, never of their streams.
    void prepareNeighbours(const QStringList& urls);
    // What the player fetched for playing and for preparing; for measuring what preparing costs.
    StreamRelay::Traffic relayTraffic() const;

    QString status() const;
    PlayState playState() const;

    int volume() const;
    void setVolume(int volume); // 0..100
    bool mute() const;
    void setMute(bool mute);

    void play(); // plays the last address again after stop, goes on from the held moment
    void stop();

    // Holds the picture while the channel goes on arriving into the time-shift buffer; play()
    // goes on from the held moment. A channel with nothing held stops instead, and says so.
    void pause();
    // Moves within the buffer: by seconds from the moment on screen, or to seconds from its
    // start. A seek past the live edge goes live; one before the start lands at the start.
    void seekBy(double seconds);
    void seekTo(double offset);
    void goLive();
    TimeShiftView timeShift() const;
    // What the engine holds right now, its bytes on disk included.
    HeldStream held() const;

    // Records the channel on screen into folder: from the oldest moment held, or from the one on
    // screen (the held moment while paused, else now). Ends with the channel.
    void startRecording(const QString& folder, const QString& channel, bool fromStart);
    void stopRecording();
    const RecordingView& recording() const;

    // Shows the video alone on the whole screen without interrupting playback; Esc or a double
    // click on it returns. A double click on the video in the window enters full screen.
    bool fullScreen() const;
    void setFullScreen(bool on);

    // A property of the playback engine as text, empty when it has none; for diagnostics.
    QString engineProperty(const char* name) const;

signals:
    // Raised once for every change of status().
    void StatusChange();
    // Raised when the video goes to the whole screen or comes back.
    void FullScreenChange();
    void timeShiftChanged();
    void recordingChanged();
    // Raised when libmpv cannot be opened or its engine cannot be made: nothing can play.
    void engineFailed();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace rz4::platform
