#pragma once

#include <string>
#include <string_view>

namespace rz4::tools {

struct ListAddress {
    std::string address;       // as the list will carry it
    std::string whyNot;        // why the list cannot carry it; empty when it can
    std::string change;        // how it was rewritten; empty when it was not
    std::string playerOptions; // "|Header=value" options after the address, which are dropped
};

// Fits a playlist's stream address into a channel list: plain ASCII (UTF-8 beyond it
// percent-encoded), no "*" or "]" (the client would read a category or a group), a network
// stream. With encodeQuery, "*", "[" and "]" inside the query become %2A, %5B and %5D, which
// servers that decode the query read as before; nowhere else is a rewrite safe.
ListAddress listAddress(std::string_view address, bool encodeQuery);

} // namespace rz4::tools
