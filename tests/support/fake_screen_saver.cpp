// The screen saver's bus service as desktops offer it, on the session bus of its environment:
// hands out cookies and prints each call on a line of its own ("Inhibit 41", "UnInhibit 41").
#include <QCoreApplication>
#include <QDBusConnection>
#include <QObject>

#include <cstdio>

class FakeScreenSaver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public slots:
    uint Inhibit(const QString& /*application*/, const QString& /*reason*/) {
        log("Inhibit", m_next);
        return m_next++;
    }
    void UnInhibit(uint cookie) { log("UnInhibit", cookie); }

private:
    static void log(const char* call, uint cookie) {
        std::printf("%s %u\n", call, cookie);
        std::fflush(stdout);
    }
    uint m_next = 41;
};

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    FakeScreenSaver saver;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(QStringLiteral("/org/freedesktop/ScreenSaver"), &saver,
                            QDBusConnection::ExportAllSlots) ||
        !bus.registerService(QStringLiteral("org.freedesktop.ScreenSaver"))) {
        std::fprintf(stderr, "cannot take org.freedesktop.ScreenSaver on the session bus\n");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return QCoreApplication::exec();
}

#include "fake_screen_saver.moc"
