#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rz4::tools {

struct Attribute {
    std::string key; // in lower case: players match attribute names without regard to case
    std::string value;
};

struct ExtInf {
    std::vector<Attribute> attributes;
    std::string name; // the text after the attribute list's comma, trimmed; empty without one

    // The first value given for the key (lower case), if any.
    std::optional<std::string_view> value(std::string_view key) const;
};

// Reads what follows "#EXTINF:" (or "#EXTM3U"): a duration, key=value attributes whose values are
// quoted or bare, then a comma and the name. A quote that never closes is an ordinary character,
// so a stray one cannot swallow the comma and with it the name.
ExtInf parseExtInf(std::string_view text);

// Without spaces and tabs at either end.
std::string_view trimmed(std::string_view text);

} // namespace rz4::tools
