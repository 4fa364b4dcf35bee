#pragma once

#include <string_view>

namespace rz4::tools {

// The line after a channel's line that carries its guide id: it holds no marker, so clients
// pass over it.
inline constexpr std::string_view TvgIdLine = "#tvg-id=";

// Why an id cannot be written on such a line; empty when it can.
std::string_view whyNoTvgIdLine(std::string_view id);

} // namespace rz4::tools
