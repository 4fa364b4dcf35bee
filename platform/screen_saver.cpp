#include "platform/screen_saver.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace rz4::platform {

namespace {

QDBusMessage screenSaverCall(const QString& method) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.ScreenSaver"),
                                       QStringLiteral("/org/freedesktop/ScreenSaver"),
                                       QStringLiteral("org.freedesktop.ScreenSaver"), method);
    // Only a service that runs already: nothing is started for us.
    call.setAutoStartService(false);
    return call;
}

// A screen saver that does not answer must not hold the program up when it ends.
constexpr int releaseTimeoutMs = 2000;

} // namespace

ScreenSaverInhibitor::ScreenSaverInhibitor(QDBusConnection bus, QString application, QString reason,
                                           QObject* parent)
    : QObject(parent), m_bus(std::move(bus)), m_application(std::move(application)),
      m_reason(std::move(reason)) {}

ScreenSaverInhibitor::~ScreenSaverInhibitor() {
    if (m_cookie) {
        // Waited for: the program may end right after, and the message with it.
        QDBusMessage call = screenSaverCall(QStringLiteral("UnInhibit"));
        call << *m_cookie;
        m_bus.call(call, QDBus::Block, releaseTimeoutMs);
    }
}

void ScreenSaverInhibitor::setInhibited(bool on) {
    if (on == m_wanted) {
        return;
    }
    m_wanted = on;
    if (m_asking) {
        return; // the answer to the Inhibit on its way settles it
    }
    if (on) {
        inhibit();
    } else {
        release();
    }
}

void ScreenSaverInhibitor::inhibit() {
    if (!m_bus.isConnected() || m_cookie) {
        return;
    }
    QDBusMessage call = screenSaverCall(QStringLiteral("Inhibit"));
    call << m_application << m_reason;
    m_asking = true;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        m_asking = false;
        const QDBusPendingReply<uint> reply = *w;
        // No such service: the desktop has none, and asking again would not change that.
        if (reply.isValid()) {
            m_cookie = reply.value();
        }
        if (!m_wanted) {
            release();
        }
    });
}

void ScreenSaverInhibitor::release() {
    if (!m_cookie) {
        return;
    }
    QDBusMessage call = screenSaverCall(QStringLiteral("UnInhibit"));
    call << *m_cookie;
    m_cookie.reset();
    m_bus.send(call);
}

} // namespace rz4::platform
