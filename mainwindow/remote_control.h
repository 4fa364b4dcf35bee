#pragma once

#include "mainwindow/channel_order.h"
#include "platform/mpris.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <memory>

namespace rz4::guide {
class Guide;
}

#include <functional>

namespace rz4::platform {
class ScreenSaverInhibitor;
}

namespace rz4::mainwindow {

class Form1;
class Viewing;

// Drives what is watched from outside the window's hot areas (the desktop's media controls and
// media keys, the keyboard, the wheel) through the same viewing commands the mouse uses; and tells
// the desktop what plays: its media controls, and the screen saver, which stays away while a
// channel shows pictures.
class RemoteControl : public QObject, public platform::MediaCommands {
    Q_OBJECT
public:
    // bus: the session bus; a disconnected one when there is none, and then only the keyboard's
    // commands do anything.
    RemoteControl(Form1& form, const QDBusConnection& bus, QObject* parent = nullptr);
    ~RemoteControl() override;

    void raise() override;
    void quit() override;
    void setFullscreen(bool on) override;
    void play() override;
    void pause() override;
    void playPause() override;
    void stop() override;
    void next() override;
    void previous() override;
    void setVolume(double volume) override;
    void seek(qlonglong offset) override;
    void setPosition(qlonglong position) override;

    void toggleMute();
    void seekBy(double seconds);
    void goLive();
    void toggleRecording(bool fromStart);
    void stepVolume(int steps);
    // The media controls show the programme on the channel now, and change when it does.
    void setGuide(std::shared_ptr<const guide::Guide> guide);

private:
    // Runs a viewing command as a handler of the window runs.
    void act(const std::function<void(Viewing&)>& command);
    bool playing() const;
    void stepChannel(Direction direction);
    // Publishes the viewing state and keeps the screen awake or not.
    void refresh();
    void prepareNeighbours(platform::PlayState playState);
    void checkListHasChannels();

    Form1& m_form;
    Viewing& m_viewing;
    platform::MprisService* m_mpris = nullptr;
    platform::ScreenSaverInhibitor* m_screenSaver = nullptr;
    QStringList m_neighbours; // what the player holds ready
    // Counts the channels chosen.
    int m_track = 0;
    bool m_listHasChannels = false;
    std::shared_ptr<const guide::Guide> m_guide;
    QTimer m_programmeChange; // set for the next programme's start or end, never polling
};

} // namespace rz4::mainwindow
