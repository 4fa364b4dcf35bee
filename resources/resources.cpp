#include "resources/resources.h"

#include <QIcon>
#include <QtGlobal>

// The macro declares the registration function where it is expanded, so it must not be expanded
// inside a namespace.
static void registerCompiledPictures() {
    Q_INIT_RESOURCE(rz4);
}

namespace rz4::resources {

void init() {
    registerCompiledPictures();
}

QIcon programIcon() {
    QIcon icon;
    for (const int size : IconSizes) {
        icon.addFile(QStringLiteral(":/") + iconPath(size), QSize(size, size));
    }
    return icon;
}

} // namespace rz4::resources
