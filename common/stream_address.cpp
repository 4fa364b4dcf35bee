#include "common/stream_address.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

namespace rz4::common {

bool isNetworkStream(std::string_view address) {
    static constexpr std::array<std::string_view, 10> schemes = {
        "http", "https", "rtmp", "rtmps", "rtsp", "rtp", "udp", "mms", "mmsh", "srt"};
    const auto sep = address.find("://");
    if (sep == std::string_view::npos || sep + 3 >= address.size()) {
        return false;
    }
    std::string scheme(address.substr(0, sep));
    std::transform(scheme.begin(), scheme.end(), scheme.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return std::find(schemes.begin(), schemes.end(), scheme) != schemes.end();
}

} // namespace rz4::common
