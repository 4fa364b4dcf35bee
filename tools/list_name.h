#pragma once

#include "channels/cp936.h"

#include <string>
#include <string_view>
#include <unicode/uversion.h>

U_NAMESPACE_BEGIN
class Normalizer2;
U_NAMESPACE_END

namespace rz4::tools {

struct ListName {
    std::string text;           // UTF-8, as the list will hold it
    std::size_t unwritable = 0; // characters that became "?"
    std::string changes;        // what was done to the name, for the operator; empty: nothing
};

// Makes names fit a channel list: what code page 936 cannot hold is first tried in its Unicode
// compatibility form (NFKC: "Ⓢ" is "S"), and only what still does not fit becomes "?"; control
// characters go; "*", "|" and "]" (with its "[") take their full-width forms, so no name is taken
// for a marker.
class NameWriter {
public:
    NameWriter();
    ListName write(std::string_view utf8);

private:
    bool writable(const std::string& utf8);
    std::string fit(std::string_view utf8, ListName& result);

    channels::Cp936Encoder m_encoder;
    channels::Cp936Decoder m_decoder;
    const icu::Normalizer2* m_nfkc;
    std::string m_bytes;
    std::string m_back;
};

} // namespace rz4::tools
