// Draws the skin, the slider skin, the tree pictures and the icon into a resource folder.
// Usage: rz4-skin-generator <resource folder>

#include "resources/generator/skin_art.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageWriter>

#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <resource folder>\n",
                     argc > 0 ? argv[0] : "rz4-skin-generator");
        return 2;
    }
    // Drawing needs fonts but no screen: always the offscreen platform.
    char platformOption[] = "-platform";
    char platformName[] = "offscreen";
    char* qtArgv[] = {argv[0], platformOption, platformName, nullptr};
    int qtArgc = 3;
    QGuiApplication app(qtArgc, qtArgv);

    const QDir root(QString::fromLocal8Bit(argv[1]));
    try {
        for (const auto& piece : rz4::resources::drawArtwork()) {
            const QString file = root.filePath(piece.path);
            if (!QDir().mkpath(QFileInfo(file).path())) {
                std::fprintf(stderr, "cannot create the folder for %s\n", qPrintable(file));
                return 1;
            }
            QImageWriter writer(file, "png");
            if (!writer.write(piece.image)) {
                std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(file),
                             qPrintable(writer.errorString()));
                return 1;
            }
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
