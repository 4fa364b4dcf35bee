#include "channels/pinyin.h"

#include <unicode/normalizer2.h>
#include <unicode/translit.h>
#include <unicode/uchar.h>
#include <unicode/uscript.h>
#include <unicode/utf8.h>

#include <algorithm>

namespace rz4::channels {

namespace {

bool isAscii(std::string_view s) {
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool isAsciiLetter(char32_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isAsciiAlnum(char32_t c) {
    return isAsciiLetter(c) || (c >= '0' && c <= '9');
}

char asciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool isHan(UChar32 c) {
    UErrorCode status = U_ZERO_ERROR;
    return uscript_getScript(c, &status) == USCRIPT_HAN;
}

void appendUtf8(UChar32 c, std::string& out) {
    char bytes[U8_MAX_LENGTH];
    std::int32_t length = 0;
    U8_APPEND_UNSAFE(bytes, length, c);
    out.append(bytes, static_cast<std::size_t>(length));
}

icu::UnicodeString folded(std::string_view utf8) {
    icu::UnicodeString text = icu::UnicodeString::fromUTF8(
        icu::StringPiece(utf8.data(), static_cast<std::int32_t>(utf8.size())));
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* fold = icu::Normalizer2::getNFKCCasefoldInstance(status);
    if (U_FAILURE(status)) {
        return text.foldCase();
    }
    icu::UnicodeString result = fold->normalize(text, status);
    return U_SUCCESS(status) ? result : text.foldCase();
}

} // namespace

std::string foldTyped(std::string_view typed) {
    const icu::UnicodeString text = folded(typed);
    std::string out;
    for (std::int32_t i = 0; i < text.length(); i = text.moveIndex32(i, 1)) {
        const UChar32 c = text.char32At(i);
        if (u_isalnum(c) != 0) {
            appendUtf8(c, out);
        }
    }
    return out;
}

bool nameStartsWith(std::string_view name, std::string_view folded) {
    // Only ASCII is folded on the name's side: typed text that needs this comparison is Chinese.
    std::size_t matched = 0;
    for (const char c : name) {
        if (matched == folded.size()) {
            break;
        }
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80 && !isAsciiAlnum(byte)) {
            continue;
        }
        if (asciiLower(c) != folded[matched]) {
            return false;
        }
        ++matched;
    }
    return matched == folded.size();
}

PinyinSpeller::PinyinSpeller(std::size_t contextBudget) : m_contextBudget(contextBudget) {
    UErrorCode status = U_ZERO_ERROR;
    m_decompose = icu::Normalizer2::getNFDInstance(status);
    if (U_FAILURE(status)) {
        m_decompose = nullptr;
    }
}

PinyinSpeller::~PinyinSpeller() = default;

void PinyinSpeller::spell(std::string_view name, std::string& full, std::string& initials) {
    if (isAscii(name)) {
        for (const char c : name) {
            if (isAsciiAlnum(static_cast<unsigned char>(c))) {
                full += asciiLower(c);
                initials += asciiLower(c);
            }
        }
        return;
    }
    const icu::UnicodeString text = folded(name);
    std::int32_t i = 0;
    while (i < text.length()) {
        const UChar32 c = text.char32At(i);
        if (!isHan(c)) {
            if (u_isalnum(c) != 0) {
                appendUtf8(c, full);
                appendUtf8(c, initials);
            }
            i = text.moveIndex32(i, 1);
            continue;
        }
        std::int32_t end = i;
        while (end < text.length() && isHan(text.char32At(end))) {
            end = text.moveIndex32(end, 1);
        }
        bool syllableStart = true;
        for (const char s :
             syllables(std::u16string(text.getBuffer() + i, text.getBuffer() + end))) {
            if (s == ' ') {
                syllableStart = true;
                continue;
            }
            full += s;
            if (syllableStart) {
                initials += s;
                syllableStart = false;
            }
        }
        i = end;
    }
}

const std::string& PinyinSpeller::syllables(const std::u16string& run) {
    if (const auto it = m_runs.find(run); it != m_runs.end()) {
        return it->second;
    }
    if (run.size() <= m_contextBudget) {
        m_contextBudget -= run.size();
        return m_runs.emplace(run, transliterate(run)).first->second;
    }
    m_spelt.clear();
    const icu::UnicodeString text(false, run.data(), static_cast<std::int32_t>(run.size()));
    for (std::int32_t i = 0; i < text.length(); i = text.moveIndex32(i, 1)) {
        const std::u16string one(run.data() + i, run.data() + text.moveIndex32(i, 1));
        auto [it, added] = m_characters.try_emplace(one);
        if (added) {
            it->second = transliterate(one);
        }
        if (!m_spelt.empty()) {
            m_spelt += ' ';
        }
        m_spelt += it->second;
    }
    return m_spelt;
}

std::string PinyinSpeller::transliterate(const std::u16string& text) {
    icu::UnicodeString latin(text.data(), static_cast<std::int32_t>(text.size()));
    if (!m_hanLatinMade) {
        // Made at the first Chinese name: building ICU's Han-Latin rules takes most of a second.
        m_hanLatinMade = true;
        UErrorCode status = U_ZERO_ERROR;
        m_hanLatin.reset(icu::Transliterator::createInstance("Han-Latin", UTRANS_FORWARD, status));
        if (U_FAILURE(status)) {
            m_hanLatin.reset();
        }
    }
    if (m_hanLatin) {
        m_hanLatin->transliterate(latin);
    }
    if (m_decompose != nullptr) {
        // Tone marks come apart from their letters and are dropped below; ü is typed as u.
        UErrorCode status = U_ZERO_ERROR;
        icu::UnicodeString bare = m_decompose->normalize(latin, status);
        if (U_SUCCESS(status)) {
            latin = std::move(bare);
        }
    }
    std::string spelt;
    bool apart = false;
    for (std::int32_t i = 0; i < latin.length(); ++i) {
        const char16_t u = latin[i];
        if (u_charType(u) == U_NON_SPACING_MARK) {
            continue;
        }
        if (!isAsciiLetter(u)) {
            apart = true;
            continue;
        }
        if (apart && !spelt.empty()) {
            spelt += ' ';
        }
        spelt += asciiLower(static_cast<char>(u));
        apart = false;
    }
    return spelt;
}

} // namespace rz4::channels
