#pragma once

#include "common/runtime_error.h"

#include <functional>

namespace rz4::testskin {

// The number of the runtime error that call raises, 0 when it raises none.
inline int errorNumber(const std::function<void()>& call) {
    try {
        call();
    } catch (const common::RuntimeError& e) {
        return e.number();
    }
    return 0;
}

} // namespace rz4::testskin
