#include "platform/malloc_arenas.h"

#include <malloc.h>

namespace rz4::platform {

void limitMallocArenas() {
    mallopt(M_ARENA_MAX, 2);
}

} // namespace rz4::platform
