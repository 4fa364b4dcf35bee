#pragma once

#include "platform/media_state.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>

namespace rz4::platform {

// What the desktop's media controls and media keys ask of the program.
class MediaCommands {
public:
    MediaCommands() = default;
    MediaCommands(const MediaCommands&) = delete;
    MediaCommands& operator=(const MediaCommands&) = delete;
    virtual ~MediaCommands() = default;

    virtual void raise() = 0;
    virtual void quit() = 0;
    virtual void setFullscreen(bool on) = 0;
    virtual void play() = 0;
    virtual void pause() = 0;
    virtual void playPause() = 0;
    virtual void stop() = 0;
    virtual void next() = 0;
    virtual void previous() = 0;
    // 0.0 to 1.0; whatever the desktop sends outside that is brought within.
    virtual void setVolume(double volume) = 0;
    // Within the time-shift buffer, in microseconds: by an offset, or to a position from its
    // start.
    virtual void seek(qlonglong offset) = 0;
    virtual void setPosition(qlonglong position) = 0;
};

// The program as a media player on the session bus (MPRIS 2), which is where desktops look for
// what their media keys and media-controls applets drive.
class MprisService : public QObject {
    Q_OBJECT
public:
    // Takes org.mpris.MediaPlayer2.<desktopEntry>, or that name with ".instance<pid>" when another
    // instance holds it. desktopEntry is the id of the program's desktop entry.
    MprisService(QDBusConnection bus, QString identity, QString desktopEntry,
                 MediaCommands& commands, QObject* parent = nullptr);
    ~MprisService() override;

    // Whether the name and the player object are on the bus.
    bool registered() const { return m_registered; }
    QString serviceName() const { return m_serviceName; }

    // Takes the new state and announces the properties that changed.
    void publish(const MediaState& state);

    const MediaState& state() const { return m_state; }
    const QString& identity() const { return m_identity; }
    const QString& desktopEntry() const { return m_desktopEntry; }
    MediaCommands& commands() const { return m_commands; }

private:
    void announce(const QString& interface, QObject* adaptor, const QStringList& names);

    QDBusConnection m_bus;
    QString m_identity;
    QString m_desktopEntry;
    MediaCommands& m_commands;
    MediaState m_state;
    QObject* m_root = nullptr;
    QObject* m_player = nullptr;
    QString m_serviceName;
    bool m_registered = false;
};

} // namespace rz4::platform
