#pragma once

namespace rz4::resources {

// Registers the compiled-in pictures (":/skin/…", ":/tree/…", ":/icon/…"). A static library's
// resources are not registered on their own; call once before the first picture is loaded.
void init();

} // namespace rz4::resources
