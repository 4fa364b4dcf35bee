#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <optional>

namespace rz4::platform {

// Keeps the desktop's screen saver away through org.freedesktop.ScreenSaver on the session bus,
// where a desktop offers that service; elsewhere it does nothing.
class ScreenSaverInhibitor : public QObject {
    Q_OBJECT
public:
    ScreenSaverInhibitor(QDBusConnection bus, QString application, QString reason,
                         QObject* parent = nullptr);
    // Lets the screen saver come back.
    ~ScreenSaverInhibitor() override;
    ScreenSaverInhibitor(const ScreenSaverInhibitor&) = delete;
    ScreenSaverInhibitor& operator=(const ScreenSaverInhibitor&) = delete;

    // Asks for the screen saver to stay away (once), or lets it come back.
    void setInhibited(bool on);
    bool inhibited() const { return m_cookie.has_value(); }

private:
    void inhibit();
    void release();

    QDBusConnection m_bus;
    QString m_application;
    QString m_reason;
    bool m_wanted = false;
    bool m_asking = false; // an Inhibit is on its way: its cookie decides what happens next
    std::optional<uint> m_cookie;
};

} // namespace rz4::platform
