#include "server/engines/dictionary/DictionaryBackend.h"

#include "server/engines/dictionary/CedictNotation.h"
#include "server/engines/dictionary/Pinyin.h"
#include "server/base/TextTools.h"
#include "server/engines/TranslationService.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace quillo::server {

namespace {

constexpr std::string_view kHeading = "【CC-CEDICT 词典】";

bool isChinese(std::string_view code)
{
    return code == "zh" || code == "zt";
}

size_t codePoints(std::string_view text)
{
    return static_cast<size_t>(std::count_if(text.begin(), text.end(),
                                             [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// 苹果（蘋果） for a Simplified reader, 蘋果（苹果） for a Traditional one; one form when both agree.
std::string headword(const DictionaryEntry& entry, bool traditionalFirst)
{
    const std::string& first = traditionalFirst ? entry.traditional : entry.simplified;
    const std::string& second = traditionalFirst ? entry.simplified : entry.traditional;
    return first == second ? first : first + "（" + second + "）";
}

std::string joined(const std::vector<std::string>& senses, std::string_view separator, bool traditional)
{
    std::string text;
    for (const std::string& sense : senses)
        text += (text.empty() ? "" : std::string(separator)) + ReadableSense(sense, traditional);
    return text;
}

std::string chineseEntries(const std::vector<DictionaryEntry>& entries, bool traditional)
{
    std::string text(kHeading);
    for (const DictionaryEntry& entry : entries) {
        text += "\n" + headword(entry, traditional) + " [" + PinyinWithToneMarks(entry.pinyin) + "]";
        for (size_t i = 0; i < entry.senses.size(); ++i)
            text += "\n  " + std::to_string(i + 1) + ". " + ReadableSense(entry.senses[i], traditional);
    }
    return text;
}

std::string englishEntries(std::string_view word, const std::vector<DictionaryEntry>& entries, bool traditional)
{
    std::string text = std::string(kHeading) + std::string(word);
    for (size_t i = 0; i < entries.size(); ++i) {
        text += "\n  " + std::to_string(i + 1) + ". " + headword(entries[i], traditional) + " ["
            + PinyinWithToneMarks(entries[i].pinyin) + "] " + joined(entries[i].senses, "; ", traditional);
    }
    return text;
}

} // namespace

DictionaryBackend::DictionaryBackend(std::unique_ptr<CedictIndex> index) : index_(std::move(index)) {}

bool DictionaryBackend::covers(std::string_view source, std::string_view target) const
{
    return (isChinese(source) && target == "en") || (source == "en" && isChinese(target));
}

bool DictionaryBackend::isShortEnough(std::string_view text, bool chinese)
{
    text = Trimmed(text);
    if (text.empty())
        return false;
    if (chinese) {
        static constexpr std::array<std::string_view, 14> sentenceMarks{
            "\n", "。", "，", "！", "？", "；", "：", "、", ".", ",", "!", "?", ";", ":"};
        return codePoints(text) <= kMaxChineseCharacters
            && std::none_of(sentenceMarks.begin(), sentenceMarks.end(),
                            [text](std::string_view mark) { return text.find(mark) != std::string_view::npos; });
    }
    const bool wordCharacters = std::all_of(text.begin(), text.end(), [](char c) {
        return std::isalpha(static_cast<unsigned char>(c)) || c == ' ' || c == '-' || c == '\'';
    });
    const size_t words = 1 + static_cast<size_t>(std::count(text.begin(), text.end(), ' '));
    return wordCharacters && text.size() <= kMaxEnglishBytes && words <= kMaxEnglishWords;
}

bool DictionaryBackend::accepts(const TranslationRequest& request) const
{
    return isShortEnough(request.text, isChinese(request.source->code));
}

BackendResult DictionaryBackend::translate(const TranslationRequest& request)
{
    const std::string_view word = Trimmed(request.text);
    const bool fromChinese = isChinese(request.source->code);
    const bool traditional = request.source->code == "zt" || request.target->code == "zt";
    const auto entries = fromChinese ? index_->lookupChinese(word) : index_->lookupEnglish(word);
    if (entries.empty()) {
        return {true, std::string(kHeading) + "没有“" + std::string(word) + "”这一词条。\n"
                    + std::string(TranslationService::kAddEngineHint), {}};
    }
    return {true, fromChinese ? chineseEntries(entries, traditional) : englishEntries(word, entries, traditional), {}};
}

} // namespace quillo::server
