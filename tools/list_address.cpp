#include "tools/list_address.h"

#include "channels/list_markers.h"
#include "common/stream_address.h"

#include <algorithm>

namespace rz4::tools {

namespace {

// In an address, what would make the client read a category or a group.
constexpr char ReadAsList[] = {channels::marker::Category, channels::marker::GroupClose, '\0'};

constexpr char Hex[] = "0123456789ABCDEF";

std::string percent(unsigned char byte) {
    return {'%', Hex[byte >> 4], Hex[byte & 15]};
}

// Addresses go out in plain ASCII: anything beyond it is percent-encoded as UTF-8.
std::string asciiAddress(std::string_view address) {
    std::string ascii;
    for (const char c : address) {
        const auto b = static_cast<unsigned char>(c);
        ascii += b < 0x80 ? std::string(1, c) : percent(b);
    }
    return ascii;
}

} // namespace

ListAddress listAddress(std::string_view address, bool encodeQuery) {
    ListAddress result;
    // Players take what follows a "|" as request headers; a URL itself writes "|" as %7C.
    if (const auto bar = address.find('|'); bar != std::string_view::npos) {
        result.playerOptions = address.substr(bar + 1);
        address = address.substr(0, bar);
    }
    result.address = asciiAddress(address);
    std::string& a = result.address;
    if (std::any_of(a.begin(), a.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; })) {
        result.whyNot = "the address holds control characters";
        return result;
    }
    if (!common::isNetworkStream(a)) {
        result.whyNot = "not a network stream (http, https, rtmp, rtmps, rtsp, rtp, udp, mms, "
                        "mmsh, srt)";
        return result;
    }
    const std::size_t marker = a.find_first_of(ReadAsList);
    if (marker == std::string::npos) {
        return result;
    }
    const std::size_t query = a.find('?');
    const std::size_t fragment = a.find('#', query == std::string::npos ? 0 : query);
    const std::size_t queryEnd = std::min(fragment, a.size());
    const bool onlyInQuery = query != std::string::npos && marker > query &&
                             a.find_first_of(ReadAsList, queryEnd) == std::string::npos;
    if (!onlyInQuery) {
        const std::size_t host = a.find("://") + 3;
        result.whyNot =
            a.compare(host, 1, "[") == 0
                ? "an IPv6 address as host: its \"]\" would make the client read a group"
                : "\"*\" or \"]\" outside the query: the client would read a category "
                  "or a group";
        return result;
    }
    if (!encodeQuery) {
        result.whyNot = "\"*\" or \"]\" in the query: the client would read a category or a group "
                        "(--encode-query writes them as %2A and %5D)";
        return result;
    }
    std::string encoded = a.substr(0, query);
    for (std::size_t i = query; i < queryEnd; ++i) {
        const char c = a[i];
        encoded += c == channels::marker::Category || c == channels::marker::GroupOpen ||
                           c == channels::marker::GroupClose
                       ? percent(static_cast<unsigned char>(c))
                       : std::string(1, c);
    }
    encoded += a.substr(queryEnd);
    result.change = "\"*\", \"[\" and \"]\" of the query percent-encoded";
    a = std::move(encoded);
    return result;
}

} // namespace rz4::tools
