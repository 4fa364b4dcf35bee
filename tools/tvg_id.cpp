#include "tools/tvg_id.h"

namespace rz4::tools {

std::string_view whyNoTvgIdLine(std::string_view id) {
    for (const char c : id) {
        if (c == '*' || c == ']' || c == '|') {
            return "it holds a marker of the list (\"*\", \"]\" or \"|\")";
        }
        if (c < 0x20 || c > 0x7e) {
            return "it holds a character other than printable ASCII";
        }
    }
    return {};
}

} // namespace rz4::tools
