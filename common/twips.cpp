#include "common/twips.h"

#include <cmath>

namespace rz4::common {

int twipsToPixels(double twips) {
    return static_cast<int>(std::lround(twips / TwipsPerPixel));
}

} // namespace rz4::common
