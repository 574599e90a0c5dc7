#include "server/engines/dictionary/CedictNotation.h"

#include "server/engines/dictionary/Pinyin.h"

namespace quillo::server {

namespace {

constexpr std::string_view kMeasureWords = "CL:";
// What ends a referenced word on its left: a reference follows a blank, a comma or the start.
constexpr std::string_view kWordBoundary = " ,;:(/";

// "個|个" -> "个" for a Simplified reader; a word written the same in both scripts has one form.
std::string_view chosenForm(std::string_view forms, bool traditionalFirst)
{
    const size_t bar = forms.find('|');
    if (bar == std::string_view::npos)
        return forms;
    return traditionalFirst ? forms.substr(0, bar) : forms.substr(bar + 1);
}

std::string readableReferences(std::string_view text, bool traditionalFirst)
{
    std::string out;
    size_t done = 0;
    for (size_t open = text.find('['); open != std::string_view::npos; open = text.find('[', open + 1)) {
        const size_t close = text.find(']', open);
        if (close == std::string_view::npos)
            break;
        size_t wordStart = text.find_last_of(kWordBoundary, open);
        wordStart = wordStart == std::string_view::npos ? 0 : wordStart + 1;
        if (wordStart < done || wordStart == open)
            continue; // "[...]" with no word before it is the sense's own bracket, not a reference
        out.append(text.substr(done, wordStart - done));
        out.append(chosenForm(text.substr(wordStart, open - wordStart), traditionalFirst));
        out.append(" [").append(PinyinWithToneMarks(text.substr(open + 1, close - open - 1))).append("]");
        done = close + 1;
        open = close;
    }
    out.append(text.substr(done));
    return out;
}

} // namespace

std::string ReadableSense(std::string_view sense, bool traditionalFirst)
{
    if (!sense.starts_with(kMeasureWords))
        return readableReferences(sense, traditionalFirst);
    std::string words = readableReferences(sense.substr(kMeasureWords.size()), traditionalFirst);
    for (size_t comma = words.find(','); comma != std::string::npos; comma = words.find(',', comma))
        words.replace(comma, 1, "，");
    return "量词：" + words;
}

} // namespace quillo::server
