#include "mainwindow/accessibility.h"
#include "mainwindow/channel_tree_widget.h"
#include "mainwindow/form1.h"
#include "mainwindow/guide_feed.h"
#include "mainwindow/keyboard.h"
#include "mainwindow/remote_control.h"
#include "mainwindow/session.h"
#include "platform/browser.h"
#include "platform/malloc_arenas.h"
#include "platform/x11_display_loss.h"
#include "resources/resources.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QMessageBox>
#include <QSystemTrayIcon>

#include <clocale>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

namespace {

rz4::mainwindow::Desktop realDesktop() {
    rz4::mainwindow::Desktop d;
    d.messageBox = [](const QString& title, const QString& prompt) {
        // A lone carriage return breaks the line, as it does in the system's own boxes.
        QString shown = prompt;
        shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        QMessageBox box(QMessageBox::NoIcon, title, shown, QMessageBox::Ok);
        // Its texts may carry what the server sent: shown as written, never as markup.
        box.setTextFormat(Qt::PlainText);
        box.exec();
    };
    d.endProgram = [](int exitCode) { QCoreApplication::exit(exitCode); };
    d.hasTray = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
    return d;
}

// In a Wayland session Qt would pick Wayland, where the video cannot be embedded: XWayland is
// tried first unless the user chose a platform. Returns whether the program made that choice.
bool chooseXWayland(int argc, char* argv[]) {
    using namespace rz4::mainwindow;
    // Kept for as long as the session's views of them are read.
    const std::string sessionType = qgetenv("XDG_SESSION_TYPE").toStdString();
    const std::string waylandDisplay = qgetenv("WAYLAND_DISPLAY").toStdString();
    const Session session{sessionType, waylandDisplay,
                          !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
                              platformArgumentGiven(argc, argv)};
    const std::optional<std::string> platforms = platformsToTry(session);
    if (platforms) {
        qputenv("QT_QPA_PLATFORM", QByteArray::fromStdString(*platforms));
    }
    return platforms.has_value();
}

} // namespace

int main(int argc, char* argv[]) {
    rz4::platform::limitMallocArenas();
    const bool choseXWayland = chooseXWayland(argc, argv);
    rz4::platform::Browser::prepareApplication();
    QApplication app(argc, argv);
    const rz4::platform::DisplayLossGuard displayLoss;
    if (choseXWayland) {
        // Read by now; pages opened in the user's browser choose their own platform.
        qunsetenv("QT_QPA_PLATFORM");
    }
    QCoreApplication::setApplicationName(QStringLiteral("rz4tv")); // the window's class
    QGuiApplication::setDesktopFileName(QStringLiteral(RZ4_APP_ID));
    // libmpv refuses to start under a locale that writes numbers with a comma.
    std::setlocale(LC_NUMERIC, "C");
    // The window lives on in the tray when hidden; only the close command ends the program.
    QApplication::setQuitOnLastWindowClosed(false);
    rz4::resources::init();
    rz4::mainwindow::installAccessibility();

    using rz4::mainwindow::Form1;
    const rz4::mainwindow::Desktop desktop = realDesktop();
    const QString platform = QGuiApplication::platformName();
    if (!rz4::mainwindow::platformShowsVideo(platform.toStdString())) {
        // The player would be handed a window that is not an X window, and die of it.
        std::fprintf(stderr,
                     "rz4tv: cannot play on Qt's \"%s\" platform: the video is embedded in an X "
                     "window; run it in an X11 session or with XWayland\n",
                     qPrintable(platform));
        desktop.messageBox(rz4::mainwindow::programName(),
                           QStringLiteral("视频要嵌在 X 窗口中播放：请在 X11 会话中运行本程序，"
                                          "或在 Wayland 会话中启用 XWayland。"));
        return 1;
    }
    if (choseXWayland) {
        std::fprintf(stderr,
                     "rz4tv: Wayland session: running on XWayland (Qt's xcb platform), since "
                     "the video is embedded in an X window; QT_QPA_PLATFORM chooses "
                     "otherwise\n");
    }
    const auto form = std::make_unique<Form1>(QStringLiteral(RZ4_CHANNEL_SERVER), desktop);
    rz4::mainwindow::nameControls(*form);
    form->Form_Load();
    if (form->hasEnded()) {
        return form->exitCode();
    }
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        std::fprintf(stderr, "rz4tv: no session bus: the desktop's media controls and media keys "
                             "cannot reach the program, nor can it keep the screen saver away\n");
    }
    rz4::mainwindow::RemoteControl remote(*form, bus);
    rz4::mainwindow::KeyboardControl keys(*form, remote, desktop.messageBox);
    form->show();
    // Only once the tree is filled and the window shown: nothing before waits for the guide.
    rz4::mainwindow::GuideFeed guide(QStringLiteral(RZ4_CHANNEL_SERVER));
    QObject::connect(&guide, &rz4::mainwindow::GuideFeed::guideChanged, [&] {
        form->controls().TreeView1->setGuide(guide.guide());
        remote.setGuide(guide.guide());
    });
    guide.start();
    return QApplication::exec();
}
