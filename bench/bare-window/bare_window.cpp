// A bare Qt window holding one web view on the channel server's page, and nothing else: what the
// start-up of a Qt + WebEngine program costs before any work of ours. Driven by bench/startup.
// Usage: bare_window URL
#include <QApplication>
#include <QUrl>
#include <QWebEngineView>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: bare_window URL\n");
        return 2;
    }
    QWebEngineView view;
    view.resize(623, 450);
    view.load(QUrl(QString::fromUtf8(argv[1])));
    view.show();
    return QApplication::exec();
}
