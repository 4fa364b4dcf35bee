#pragma once

#include <cstddef>
#include <iconv.h>
#include <string>
#include <string_view>

namespace rz4::channels {

// One iconv conversion, opened for the life of the object.
class IconvConverter {
public:
    IconvConverter(const IconvConverter&) = delete;
    IconvConverter& operator=(const IconvConverter&) = delete;

protected:
    IconvConverter(const char* to, const char* from);
    ~IconvConverter();

    iconv_t m_cd;
};

// Code page 936 (GBK) to UTF-8. A byte that starts no valid character, and a NUL, becomes U+FFFD
// and decoding goes on with the next byte, so one bad byte never costs the rest of a line.
class Cp936Decoder : private IconvConverter {
public:
    Cp936Decoder() : IconvConverter("UTF-8", "CP936") {}
    // Appends the decoded text to out and returns how many bytes were replaced.
    std::size_t decode(std::string_view bytes, std::string& out);
};

// UTF-8 to code page 936. A character that GBK cannot hold (or a byte that is not UTF-8) becomes
// "?" and encoding goes on.
class Cp936Encoder : private IconvConverter {
public:
    Cp936Encoder() : IconvConverter("CP936", "UTF-8") {}
    // Appends the encoded text to out and returns how many characters had to be replaced.
    std::size_t encode(std::string_view utf8, std::string& out);
};

// Length in bytes of the UTF-8 sequence that starts with this byte (1 for stray bytes).
std::size_t utf8SequenceLength(unsigned char lead);

} // namespace rz4::channels
