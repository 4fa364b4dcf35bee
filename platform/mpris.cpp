#include "platform/mpris.h"

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QVariantMap>

namespace rz4::platform {

namespace {

const QString ObjectPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString RootInterface = QStringLiteral("org.mpris.MediaPlayer2");
const QString PlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString NoTrack = QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");

// An object path of our own for each channel chosen: the desktop entry's id, dots as slashes.
QString trackPath(const QString& desktopEntry, int track) {
    if (track == 0) {
        return NoTrack;
    }
    QString path;
    for (const QString& part : desktopEntry.split(QLatin1Char('.'), Qt::SkipEmptyParts)) {
        path += QLatin1Char('/');
        for (const QChar c : part) {
            const bool allowed = (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
                                 (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
                                 (c >= QLatin1Char('0') && c <= QLatin1Char('9'));
            path += allowed ? c : QLatin1Char('_');
        }
    }
    return path + QStringLiteral("/channel/%1").arg(track);
}

} // namespace

class MprisRoot : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ canQuit)
    Q_PROPERTY(bool CanRaise READ canRaise)
    Q_PROPERTY(bool CanSetFullscreen READ canSetFullscreen)
    Q_PROPERTY(bool Fullscreen READ fullscreen WRITE setFullscreen)
    Q_PROPERTY(bool HasTrackList READ hasTrackList)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ supported)
    Q_PROPERTY(QStringList SupportedMimeTypes READ supported)
public:
    explicit MprisRoot(MprisService* service) : QDBusAbstractAdaptor(service), m_s(*service) {}

private:
    bool canQuit() const { return true; }
    bool canRaise() const { return true; }
    bool canSetFullscreen() const { return m_s.state().canSetFullscreen; }
    bool fullscreen() const { return m_s.state().fullscreen; }
    void setFullscreen(bool on) { m_s.commands().setFullscreen(on); }
    bool hasTrackList() const { return false; }
    QString identity() const { return m_s.identity(); }
    QString desktopEntry() const { return m_s.desktopEntry(); }
    // Channels come from the channel server's list only: nothing is opened from outside.
    QStringList supported() const { return {}; }

public slots:
    void Raise() { m_s.commands().raise(); }
    void Quit() { m_s.commands().quit(); }

private:
    MprisService& m_s;
};

class MprisPlayer : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(double Rate READ rate)
    Q_PROPERTY(double MinimumRate READ rate)
    Q_PROPERTY(double MaximumRate READ rate)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(double Volume READ volume WRITE setVolume)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(bool CanGoNext READ canGoNext)
    Q_PROPERTY(bool CanGoPrevious READ canGoNext)
    Q_PROPERTY(bool CanPlay READ canControl)
    Q_PROPERTY(bool CanPause READ canPause)
    Q_PROPERTY(bool CanSeek READ canSeek)
    Q_PROPERTY(bool CanControl READ canControl)
public:
    explicit MprisPlayer(MprisService* service) : QDBusAbstractAdaptor(service), m_s(*service) {}

private:
    QString playbackStatus() const { return playbackStatusName(m_s.state().status); }
    // Live channels play at their own pace; the position is within the time-shift buffer.
    double rate() const { return 1.0; }
    qlonglong position() const { return m_s.state().position; }
    bool canSeek() const { return m_s.state().canSeek; }
    bool canPause() const { return m_s.state().canPause; }
    bool canControl() const { return true; }
    bool canGoNext() const { return m_s.state().canGoNext; }
    double volume() const { return m_s.state().volume; }
    void setVolume(double volume) { m_s.commands().setVolume(volume); }
    QVariantMap metadata() const {
        const MediaState& s = m_s.state();
        QVariantMap m{
            {QStringLiteral("mpris:trackid"),
             QVariant::fromValue(QDBusObjectPath(trackPath(m_s.desktopEntry(), s.track)))}};
        if (s.track != 0) {
            m.insert(QStringLiteral("xesam:title"), s.title);
            if (!s.album.isEmpty()) {
                m.insert(QStringLiteral("xesam:album"), s.album);
            }
            if (!s.artist.isEmpty()) {
                m.insert(QStringLiteral("xesam:artist"), QStringList{s.artist});
            }
        }
        return m;
    }

public slots:
    void Next() { m_s.commands().next(); }
    void Previous() { m_s.commands().previous(); }
    void Pause() { m_s.commands().pause(); }
    void PlayPause() { m_s.commands().playPause(); }
    void Stop() { m_s.commands().stop(); }
    void Play() { m_s.commands().play(); }
    void Seek(qlonglong offset) { m_s.commands().seek(offset); }
    // A position for another channel than the one on is stale: ignored.
    void SetPosition(const QDBusObjectPath& track, qlonglong position) {
        if (track.path() == trackPath(m_s.desktopEntry(), m_s.state().track)) {
            m_s.commands().setPosition(position);
        }
    }
    // Nothing is opened from outside.
    void OpenUri(const QString& /*uri*/) {}

private:
    MprisService& m_s;
};

MprisService::MprisService(QDBusConnection bus, QString identity, QString desktopEntry,
                           MediaCommands& commands, QObject* parent)
    : QObject(parent), m_bus(std::move(bus)), m_identity(std::move(identity)),
      m_desktopEntry(std::move(desktopEntry)), m_commands(commands), m_root(new MprisRoot(this)),
      m_player(new MprisPlayer(this)) {
    if (!m_bus.isConnected() ||
        !m_bus.registerObject(ObjectPath, this, QDBusConnection::ExportAdaptors)) {
        return;
    }
    const QString name = QStringLiteral("org.mpris.MediaPlayer2.") + m_desktopEntry;
    for (const QString& candidate :
         {name, name + QStringLiteral(".instance%1").arg(QCoreApplication::applicationPid())}) {
        if (m_bus.registerService(candidate)) {
            m_serviceName = candidate;
            m_registered = true;
            return;
        }
    }
    m_bus.unregisterObject(ObjectPath);
}

MprisService::~MprisService() {
    if (m_registered) {
        m_bus.unregisterService(m_serviceName);
        m_bus.unregisterObject(ObjectPath);
    }
}

void MprisService::publish(const MediaState& state) {
    const ChangedProperties changed = changedProperties(m_state, state);
    m_state = state;
    if (m_registered) {
        announce(RootInterface, m_root, changed.root);
        announce(PlayerInterface, m_player, changed.player);
    }
}

void MprisService::announce(const QString& interface, QObject* adaptor, const QStringList& names) {
    if (names.isEmpty()) {
        return;
    }
    QVariantMap values;
    for (const QString& name : names) {
        values.insert(name, adaptor->property(name.toLatin1().constData()));
    }
    QDBusMessage signal =
        QDBusMessage::createSignal(ObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                   QStringLiteral("PropertiesChanged"));
    signal << interface << values << QStringList();
    m_bus.send(signal);
}

} // namespace rz4::platform

#include "mpris.moc"
