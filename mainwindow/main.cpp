#include "common/runtime_error.h"
#include "mainwindow/form1.h"
#include "platform/browser.h"
#include "resources/resources.h"

#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>
#include <QSystemTrayIcon>

#include <clocale>
#include <memory>

namespace {

rz4::mainwindow::Desktop realDesktop() {
    rz4::mainwindow::Desktop d;
    d.messageBox = [](const QString& title, const QString& prompt) {
        // A lone carriage return breaks the line, as it does in the system's own boxes.
        QString shown = prompt;
        shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        QMessageBox box(QMessageBox::NoIcon, title, shown, QMessageBox::Ok);
        box.exec();
    };
    d.endProgram = [](int exitCode) { QCoreApplication::exit(exitCode); };
    d.hasTray = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
    return d;
}

} // namespace

int main(int argc, char* argv[]) {
    rz4::platform::Browser::prepareApplication();
    QApplication app(argc, argv);
    // libmpv refuses to start under a locale that writes numbers with a comma.
    std::setlocale(LC_NUMERIC, "C");
    // The window lives on in the tray when hidden; only the close command ends the program.
    QApplication::setQuitOnLastWindowClosed(false);
    rz4::resources::init();

    using rz4::mainwindow::Form1;
    const rz4::mainwindow::Desktop desktop = realDesktop();
    std::unique_ptr<Form1> form;
    try {
        form = std::make_unique<Form1>(QStringLiteral(RZ4_CHANNEL_SERVER), desktop);
    } catch (const rz4::common::RuntimeError& e) {
        // Without its player the window cannot be made at all.
        desktop.messageBox(
            rz4::mainwindow::programName(),
            rz4::mainwindow::runtimeErrorText(e.number(), QString::fromStdString(e.description())));
        return 1;
    }
    form->Form_Load();
    if (form->hasEnded()) {
        return form->exitCode();
    }
    form->show();
    return QApplication::exec();
}
