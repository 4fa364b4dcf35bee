#pragma once

#include <cstdlib>
#include <fstream>
#include <string>

namespace rz4::bench {

// A line of this process's memory summary in KiB: "Pss" by default, its proportional set size,
// what it costs in memory with its share of what it shares counted. That share moves with every
// other process that maps the same libraries; "Pss_Anon" is what the process itself allocated.
inline long pssKib(const std::string& field = "Pss") {
    std::ifstream rollup("/proc/self/smaps_rollup");
    const std::string head = field + ":";
    for (std::string line; std::getline(rollup, line);) {
        if (line.rfind(head, 0) == 0) {
            return std::atol(line.c_str() + head.size());
        }
    }
    return 0;
}

} // namespace rz4::bench
