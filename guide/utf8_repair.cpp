#include "guide/utf8_repair.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <string>

namespace rz4::guide {

namespace {

bool continuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// The length of the valid sequence at p (of n bytes), 0 when it is not one, or -1 when the bytes
// end inside what may still become one.
int sequence(const unsigned char* p, std::size_t n) {
    const unsigned char c = p[0];
    int length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        low = c == 0xE0 ? 0xA0 : 0x80;
        high = c == 0xED ? 0x9F : 0xBF;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        low = c == 0xF0 ? 0x90 : 0x80;
        high = c == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    for (int i = 1; i < length; ++i) {
        if (static_cast<std::size_t>(i) >= n) {
            return -1;
        }
        const unsigned char b = p[i];
        if (i == 1 ? (b < low || b > high) : !continuation(b)) {
            return 0;
        }
    }
    return length;
}

} // namespace

std::size_t repairUtf8(char* data, std::size_t size, bool final) {
    auto* p = reinterpret_cast<unsigned char*>(data);
    std::size_t i = 0;
    while (i < size) {
        // Eight ASCII bytes at a time: most of a guide is markup.
        if (i + 8 <= size) {
            std::uint64_t word = 0;
            std::memcpy(&word, p + i, 8);
            if ((word & 0x8080808080808080ULL) == 0) {
                i += 8;
                continue;
            }
        }
        if (p[i] < 0x80) {
            ++i;
            continue;
        }
        const int length = sequence(p + i, size - i);
        if (length < 0 && !final) {
            return i;
        }
        if (length <= 0) {
            p[i++] = '?';
        } else {
            i += static_cast<std::size_t>(length);
        }
    }
    return size;
}

bool declaresUtf8(std::string_view start) {
    if (start.starts_with("\xFF\xFE") || start.starts_with("\xFE\xFF")) {
        return false;
    }
    if (!start.starts_with("<?xml")) {
        return true;
    }
    std::string declaration(start.substr(0, start.find("?>")));
    std::transform(declaration.begin(), declaration.end(), declaration.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const std::size_t at = declaration.find("encoding");
    if (at == std::string::npos) {
        return true;
    }
    const std::size_t quote = declaration.find_first_of("\"'", at);
    return quote != std::string::npos && declaration.compare(quote + 1, 5, "utf-8") == 0;
}

} // namespace rz4::guide
