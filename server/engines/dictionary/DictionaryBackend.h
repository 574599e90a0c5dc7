#pragma once
// The offline answer for Chinese <-> English when no translation engine covers the pair: a word
// or short phrase is looked up in CC-CEDICT and answered as a dictionary entry (headword, pinyin,
// senses), never as if it were a translation. It takes at most kMaxChineseCharacters Chinese
// characters or kMaxEnglishWords English words, without sentence punctuation or line breaks;
// longer texts are left to the no-engine sentence.

#include "server/engines/dictionary/CedictIndex.h"
#include "server/engines/TranslationBackend.h"

#include <memory>

namespace quillo::server {

class DictionaryBackend final : public TranslationBackend {
public:
    static constexpr size_t kMaxChineseCharacters = 8;
    static constexpr size_t kMaxEnglishWords = 4;
    static constexpr size_t kMaxEnglishBytes = 40;

    explicit DictionaryBackend(std::unique_ptr<CedictIndex> index);

    std::string_view name() const override { return "dictionary"; }
    bool covers(std::string_view source, std::string_view target) const override;
    bool accepts(const TranslationRequest& request) const override;
    bool wordsOnly() const override { return true; }
    BackendResult translate(const TranslationRequest& request) override;

    // The text as the dictionary is asked: without surrounding blanks.
    static bool isShortEnough(std::string_view text, bool chinese);

private:
    std::unique_ptr<CedictIndex> index_;
};

} // namespace quillo::server
