#include "server/engines/dictionary/Pinyin.h"

#include <array>

namespace quillo::server {

namespace {

// The vowel that carries the mark: a or e if present, o in "ou", else the last vowel.
size_t markedVowel(std::string_view syllable)
{
    for (char vowel : {'a', 'e', 'A', 'E'}) {
        if (const size_t at = syllable.find(vowel); at != std::string_view::npos)
            return at;
    }
    if (const size_t at = syllable.find("ou"); at != std::string_view::npos)
        return at;
    const size_t last = syllable.find_last_of("aeiouvAEIOUV");
    return last;
}

std::string_view marked(char vowel, int tone)
{
    static constexpr std::string_view kVowels = "aeiouvAEIOUV";
    static constexpr std::array<std::array<std::string_view, 4>, 12> kMarks{{
        {"ā", "á", "ǎ", "à"}, {"ē", "é", "ě", "è"}, {"ī", "í", "ǐ", "ì"}, {"ō", "ó", "ǒ", "ò"},
        {"ū", "ú", "ǔ", "ù"}, {"ǖ", "ǘ", "ǚ", "ǜ"}, {"Ā", "Á", "Ǎ", "À"}, {"Ē", "É", "Ě", "È"},
        {"Ī", "Í", "Ǐ", "Ì"}, {"Ō", "Ó", "Ǒ", "Ò"}, {"Ū", "Ú", "Ǔ", "Ù"}, {"Ǖ", "Ǘ", "Ǚ", "Ǜ"},
    }};
    return kMarks[kVowels.find(vowel)][static_cast<size_t>(tone - 1)];
}

std::string syllableWithMark(std::string syllable)
{
    const char toneDigit = syllable.empty() ? '\0' : syllable.back();
    if (toneDigit < '1' || toneDigit > '5')
        return syllable; // a letter ("C" of "3C"), a name dot, a comma
    // "u:" is how the source writes ü.
    for (size_t at = syllable.find("u:"); at != std::string::npos; at = syllable.find("u:"))
        syllable.replace(at, 2, "v");
    for (size_t at = syllable.find("U:"); at != std::string::npos; at = syllable.find("U:"))
        syllable.replace(at, 2, "V");
    const int tone = toneDigit - '0';
    syllable.pop_back();
    const size_t vowel = markedVowel(syllable);
    std::string out;
    for (size_t i = 0; i < syllable.size(); ++i) {
        const char c = syllable[i];
        if (i == vowel && tone >= 1 && tone <= 4)
            out += marked(c, tone);
        else if (c == 'v' || c == 'V')
            out += c == 'v' ? "ü" : "Ü";
        else
            out.push_back(c);
    }
    return out;
}

} // namespace

std::string PinyinWithToneMarks(std::string_view numbered)
{
    std::string out;
    size_t start = 0;
    while (start <= numbered.size()) {
        size_t space = numbered.find(' ', start);
        if (space == std::string_view::npos)
            space = numbered.size();
        if (!out.empty())
            out.push_back(' ');
        out += syllableWithMark(std::string(numbered.substr(start, space - start)));
        start = space + 1;
    }
    return out;
}

} // namespace quillo::server
