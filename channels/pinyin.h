#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <unicode/uversion.h>
#include <unordered_map>

U_NAMESPACE_BEGIN
class Transliterator;
class Normalizer2;
U_NAMESPACE_END

namespace rz4::channels {

// Typed text as names are compared with it: compatibility forms and case folded (ＣＣＴＶ is
// cctv), only letters and digits kept. UTF-8 in and out.
std::string foldTyped(std::string_view typed);

// Whether a name begins with folded typed text, counting only its letters and digits and Latin
// letters in either case: what a viewer typing Chinese characters compares.
bool nameStartsWith(std::string_view name, std::string_view folded);

// Spells names the way a viewer types them: letters and digits folded like foldTyped, Chinese
// characters in pinyin without tones, in full and as initials: 湖南卫视 is "hunanweishi" and
// "hnws", CCTV-5 体育 "cctv5tiyu" and "cctv5ty". One speller per thread.
class PinyinSpeller {
public:
    // ICU spells a run of characters in context (重庆 is chongqing, 重 alone zhong) at about 20 us
    // a character. Past this many characters new runs are spelt character by character, each
    // character once, so that a list of a million different names costs seconds, not minutes.
    static constexpr std::size_t ContextBudget = 100'000;

    explicit PinyinSpeller(std::size_t contextBudget = ContextBudget);
    ~PinyinSpeller();
    PinyinSpeller(const PinyinSpeller&) = delete;
    PinyinSpeller& operator=(const PinyinSpeller&) = delete;

    // Appends the two spellings of a UTF-8 name.
    void spell(std::string_view name, std::string& full, std::string& initials);

private:
    const std::string& syllables(const std::u16string& run);
    std::string transliterate(const std::u16string& text);

    std::unique_ptr<icu::Transliterator> m_hanLatin;
    bool m_hanLatinMade = false;
    const icu::Normalizer2* m_decompose = nullptr;
    // Runs of Chinese characters and single characters, each spelt once: syllables between
    // spaces.
    std::unordered_map<std::u16string, std::string> m_runs;
    std::unordered_map<std::u16string, std::string> m_characters;
    std::size_t m_contextBudget;
    // A run spelt character by character, once the budget for context is spent.
    std::string m_spelt;
};

} // namespace rz4::channels
