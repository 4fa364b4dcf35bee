#include "channels/cp936.h"

#include "common/runtime_error.h"

#include <algorithm>
#include <cerrno>

namespace rz4::channels {

namespace {

// Runs the converter over the input; at every sequence it cannot convert, skipLength() bytes are
// dropped and the replacement is written instead. Returns how many replacements were made.
template <typename SkipLength>
std::size_t convert(iconv_t cd, std::string_view in, std::string& out, std::string_view replacement,
                    SkipLength skipLength) {
    ::iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    std::size_t used = out.size();
    std::size_t replaced = 0;
    while (srcLeft > 0) {
        // Room for three output bytes per input byte covers both directions in one round.
        out.resize(used + srcLeft * 3 + replacement.size());
        char* dst = out.data() + used;
        std::size_t dstLeft = out.size() - used;
        const std::size_t result = ::iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        const int error = errno;
        used = static_cast<std::size_t>(dst - out.data());
        if (result != static_cast<std::size_t>(-1) || error == E2BIG) {
            continue;
        }
        // EILSEQ, or EINVAL for a character cut off at the end: replace it and go on.
        const std::size_t skip = std::min(srcLeft, skipLength(std::string_view(src, srcLeft)));
        src += skip;
        srcLeft -= skip;
        out.resize(used);
        out += replacement;
        used = out.size();
        ++replaced;
    }
    out.resize(used);
    return replaced;
}

} // namespace

std::size_t utf8SequenceLength(unsigned char lead) {
    if (lead >= 0xF0 && lead <= 0xF4) {
        return 4;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 3;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 2;
    }
    return 1;
}

IconvConverter::IconvConverter(const char* to, const char* from) : m_cd(::iconv_open(to, from)) {
    if (m_cd == reinterpret_cast<iconv_t>(-1)) {
        throw rz4::common::RuntimeError(rz4::common::err::InvalidArgument,
                                        std::string("系统不支持字符集转换 ") + from + " → " + to);
    }
}

IconvConverter::~IconvConverter() {
    ::iconv_close(m_cd);
}

std::size_t Cp936Decoder::decode(std::string_view bytes, std::string& out) {
    static constexpr std::string_view replacement = "\xEF\xBF\xBD";
    const auto decodePart = [&](std::string_view part) {
        return convert(m_cd, part, out, replacement,
                       [](std::string_view) { return std::size_t{1}; });
    };
    // A NUL is not text either: left in an address it would end it early for whoever reads it.
    std::size_t invalid = 0;
    std::size_t nul = 0;
    while ((nul = bytes.find('\0')) != std::string_view::npos) {
        invalid += decodePart(bytes.substr(0, nul)) + 1;
        out += replacement;
        bytes.remove_prefix(nul + 1);
    }
    return invalid + decodePart(bytes);
}

std::size_t Cp936Encoder::encode(std::string_view utf8, std::string& out) {
    // Skips one character, or one stray byte of a broken sequence.
    return convert(m_cd, utf8, out, "?", [](std::string_view rest) {
        const std::size_t length = utf8SequenceLength(static_cast<unsigned char>(rest[0]));
        std::size_t n = 1;
        while (n < length && n < rest.size() &&
               (static_cast<unsigned char>(rest[n]) & 0xC0) == 0x80) {
            ++n;
        }
        return n;
    });
}

} // namespace rz4::channels
