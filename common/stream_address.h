#pragma once

#include <string_view>

namespace rz4::common {

// True when the address names a network stream (http, https, rtmp, rtmps, rtsp, rtp, udp, mms,
// mmsh, srt; scheme case-insensitive, followed by "://" and something). Channel addresses come
// from a downloaded file, so local paths and player-internal protocols are never opened.
bool isNetworkStream(std::string_view address);

} // namespace rz4::common
