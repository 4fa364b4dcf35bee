#include "tools/extinf.h"

#include <algorithm>
#include <cctype>

namespace rz4::tools {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string lowerCase(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

} // namespace

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::optional<std::string_view> ExtInf::value(std::string_view key) const {
    for (const Attribute& a : attributes) {
        if (a.key == key) {
            return a.value;
        }
    }
    return std::nullopt;
}

ExtInf parseExtInf(std::string_view text) {
    ExtInf info;
    // A bare word or value ends at a blank or at the comma before the name.
    auto wordEnd = [&](std::size_t from, bool stopAtEquals) {
        while (from < text.size() && !isBlank(text[from]) && text[from] != ',' &&
               !(stopAtEquals && text[from] == '=')) {
            ++from;
        }
        return from;
    };
    std::size_t i = 0;
    while (i < text.size()) {
        if (isBlank(text[i])) {
            ++i;
            continue;
        }
        if (text[i] == ',') {
            info.name = trimmed(text.substr(i + 1));
            break;
        }
        const std::size_t keyStart = i;
        i = wordEnd(i, true);
        const std::string_view key = text.substr(keyStart, i - keyStart);
        if (i == text.size() || text[i] != '=') {
            continue; // the duration, or a word without a value
        }
        ++i;
        const std::size_t close =
            i < text.size() && text[i] == '"' ? text.find('"', i + 1) : std::string_view::npos;
        std::string_view value;
        if (close != std::string_view::npos) {
            value = text.substr(i + 1, close - i - 1);
            i = close + 1;
        } else {
            const std::size_t start = i;
            i = wordEnd(i, false);
            value = text.substr(start, i - start);
        }
        info.attributes.push_back({lowerCase(key), std::string(value)});
    }
    return info;
}

} // namespace rz4::tools
