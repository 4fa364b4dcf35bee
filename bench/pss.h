#pragma once

#include <cstdlib>
#include <fstream>
#include <string>

namespace rz4::bench {

// This process's proportional set size in KiB: what it costs in memory, its share of what it
// shares counted.
inline long pssKib() {
    std::ifstream rollup("/proc/self/smaps_rollup");
    for (std::string line; std::getline(rollup, line);) {
        if (line.rfind("Pss:", 0) == 0) {
            return std::atol(line.c_str() + 4);
        }
    }
    return 0;
}

} // namespace rz4::bench
