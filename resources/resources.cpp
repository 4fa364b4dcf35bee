#include "resources/resources.h"

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

} // namespace rz4::resources
