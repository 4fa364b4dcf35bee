#include "tools/list_name.h"

#include "channels/list_markers.h"
#include "common/runtime_error.h"
#include "tools/extinf.h"

#include <unicode/normalizer2.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <vector>

namespace rz4::tools {

namespace {

bool isControl(UChar32 c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

std::string utf8Of(const icu::UnicodeString& text) {
    std::string utf8;
    text.toUTF8String(utf8);
    return utf8;
}

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

void note(std::string& changes, const std::string& what) {
    changes += (changes.empty() ? "" : "; ") + what;
}

const char* fullWidth(char marker) {
    switch (marker) {
    case channels::marker::Category:
        return "＊";
    case channels::marker::Address:
        return "｜";
    case channels::marker::GroupOpen:
        return "［";
    default:
        return "］";
    }
}

// "*", "|" and "]" full-width; a "[" too when a "]" closes it, so brackets stay a pair.
std::string withoutMarkers(const std::string& name, std::string& changes) {
    std::vector<bool> wide(name.size(), false);
    std::vector<std::size_t> open;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == channels::marker::GroupOpen) {
            open.push_back(i);
        } else if (name[i] == channels::marker::GroupClose) {
            wide[i] = true;
            if (!open.empty()) {
                wide[open.back()] = true;
                open.pop_back();
            }
        } else if (name[i] == channels::marker::Category || name[i] == channels::marker::Address) {
            wide[i] = true;
        }
    }
    std::string clean;
    std::string seen;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (!wide[i]) {
            clean += name[i];
            continue;
        }
        clean += fullWidth(name[i]);
        if (seen.find(name[i]) == std::string::npos) {
            seen += name[i];
        }
    }
    if (!seen.empty()) {
        std::string list;
        for (const char c : seen) {
            list += (list.empty() ? "" : ", ") + quoted(std::string(1, c)) + " as " +
                    quoted(fullWidth(c));
        }
        note(changes, list);
    }
    return clean;
}

} // namespace

NameWriter::NameWriter() {
    UErrorCode status = U_ZERO_ERROR;
    m_nfkc = icu::Normalizer2::getNFKCInstance(status);
    if (U_FAILURE(status)) {
        throw common::RuntimeError(common::err::InvalidArgument,
                                   std::string("Unicode normalisation unavailable: ") +
                                       u_errorName(status));
    }
}

// What code page 936 holds and gives back unchanged, exactly as the client will read it.
bool NameWriter::writable(const std::string& utf8) {
    m_bytes.clear();
    m_back.clear();
    return m_encoder.encode(utf8, m_bytes) == 0 && m_decoder.decode(m_bytes, m_back) == 0 &&
           m_back == utf8;
}

ListName NameWriter::write(std::string_view utf8) {
    ListName result;
    std::string fitted(utf8);
    const bool ascii = std::all_of(utf8.begin(), utf8.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    // C1 controls are two bytes in UTF-8, and code page 936 holds none of them.
    const bool controls = std::any_of(utf8.begin(), utf8.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
    });
    if (controls || (!ascii && !writable(fitted))) {
        fitted = fit(utf8, result);
    }
    result.text = withoutMarkers(std::string(trimmed(fitted)), result.changes);
    return result;
}

std::string NameWriter::fit(std::string_view utf8, ListName& result) {
    const icu::UnicodeString text = icu::UnicodeString::fromUTF8(
        icu::StringPiece(utf8.data(), static_cast<int32_t>(utf8.size())));
    std::string fitted;
    std::string normalised;
    std::size_t controls = 0;
    // Normalisation works on runs that start where it joins nothing across.
    for (int32_t i = 0; i < text.length();) {
        int32_t end = text.moveIndex32(i, 1);
        while (end < text.length() && !m_nfkc->hasBoundaryBefore(text.char32At(end))) {
            end = text.moveIndex32(end, 1);
        }
        icu::UnicodeString run;
        for (; i < end; i = text.moveIndex32(i, 1)) {
            if (isControl(text.char32At(i))) {
                ++controls;
            } else {
                run.append(text.char32At(i));
            }
        }
        const std::string original = utf8Of(run);
        if (writable(original)) {
            fitted += original;
            continue;
        }
        UErrorCode status = U_ZERO_ERROR;
        const icu::UnicodeString compatible = m_nfkc->normalize(run, status);
        const std::string plain = U_SUCCESS(status) ? utf8Of(compatible) : std::string();
        if (!plain.empty() && writable(plain)) {
            fitted += plain;
            normalised +=
                (normalised.empty() ? "" : ", ") + quoted(original) + " as " + quoted(plain);
            continue;
        }
        // Character by character, so that one that does not fit costs only itself; a letter
        // with its marks makes one "?".
        const icu::UnicodeString& rest = U_SUCCESS(status) ? compatible : run;
        bool replacing = false;
        for (int32_t j = 0; j < rest.length(); j = rest.moveIndex32(j, 1)) {
            const std::string one = utf8Of(icu::UnicodeString(rest.char32At(j)));
            const bool fits = writable(one);
            if (fits) {
                fitted += one;
            } else if (!replacing) {
                fitted += "?";
                ++result.unwritable;
            }
            replacing = !fits;
        }
    }
    if (!normalised.empty()) {
        note(result.changes, normalised);
    }
    if (controls > 0) {
        note(result.changes, std::to_string(controls) + " control character(s) left out");
    }
    if (result.unwritable > 0) {
        note(result.changes, std::to_string(result.unwritable) +
                                 " character(s) that code page 936 cannot hold as \"?\"");
    }
    return fitted;
}

} // namespace rz4::tools
