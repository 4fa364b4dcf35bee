#include "common/numeric.h"

#include "common/runtime_error.h"

#include <cmath>
#include <limits>

namespace rz4::common {

void raiseOverflow() {
    throw RuntimeError(err::Overflow, "溢出");
}
void raiseInvalidArgument() {
    throw RuntimeError(err::InvalidArgument, "无效的过程调用或参数");
}
void raiseTypeMismatch() {
    throw RuntimeError(err::TypeMismatch, "类型不匹配");
}

double roundHalfEven(double v) {
    return std::nearbyint(v);
}

namespace {

template <typename T> T toChecked(double v) {
    const double r = roundHalfEven(v);
    if (!(r >= std::numeric_limits<T>::min() && r <= std::numeric_limits<T>::max())) {
        raiseOverflow();
    }
    return static_cast<T>(r);
}

std::int16_t fit16(long long v) {
    if (v < std::numeric_limits<std::int16_t>::min() ||
        v > std::numeric_limits<std::int16_t>::max()) {
        raiseOverflow();
    }
    return static_cast<std::int16_t>(v);
}

} // namespace

std::int16_t toInt16(double v) {
    return toChecked<std::int16_t>(v);
}
std::int32_t toInt32(double v) {
    return toChecked<std::int32_t>(v);
}

std::int16_t add16(int a, int b) {
    return fit16(static_cast<long long>(a) + b);
}
std::int16_t sub16(int a, int b) {
    return fit16(static_cast<long long>(a) - b);
}
std::int16_t mul16(int a, int b) {
    return fit16(static_cast<long long>(a) * b);
}

} // namespace rz4::common
