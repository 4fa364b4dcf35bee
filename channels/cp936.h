#pragma once

#include <cstddef>
#include <iconv.h>
#include <string>
#include <string_view>

namespace rz4::channels {

// Code page 936 (GBK) to UTF-8. A byte that starts no valid character becomes U+FFFD and decoding
// goes on with the next byte, so one bad byte never costs the rest of a line.
class Cp936Decoder {
public:
    Cp936Decoder();
    ~Cp936Decoder();
    Cp936Decoder(const Cp936Decoder&) = delete;
    Cp936Decoder& operator=(const Cp936Decoder&) = delete;

    // Appends the decoded text to out and returns how many bytes were invalid.
    std::size_t decode(std::string_view bytes, std::string& out);

private:
    iconv_t m_cd;
};

// UTF-8 to code page 936. A character that GBK cannot hold (or a byte that is not UTF-8) becomes
// "?" and encoding goes on.
class Cp936Encoder {
public:
    Cp936Encoder();
    ~Cp936Encoder();
    Cp936Encoder(const Cp936Encoder&) = delete;
    Cp936Encoder& operator=(const Cp936Encoder&) = delete;

    // Appends the encoded text to out and returns how many characters had to be replaced.
    std::size_t encode(std::string_view utf8, std::string& out);

private:
    iconv_t m_cd;
};

// Length in bytes of the UTF-8 sequence that starts with this byte (1 for stray bytes).
std::size_t utf8SequenceLength(unsigned char lead);

} // namespace rz4::channels
