#pragma once
// One dictionary found on the machine (dictd, StarDict) as an engine: it serves the pair its
// names tell, takes a word or a short phrase, and answers with its entry shown readably under its
// own title. A word it does not have is no answer: the caller may ask another.

#include "server/engines/TranslationBackend.h"
#include "server/engines/dictionary/Dictionary.h"
#include "server/engines/dictionary/DictionaryLookup.h"

#include <memory>
#include <mutex>
#include <string>

namespace quillo::server {

class FoundDictionaryBackend final : public TranslationBackend {
public:
    FoundDictionaryBackend(std::string id, std::shared_ptr<const dictformats::Dictionary> dictionary,
                           dictformats::LookupOptions options);

    std::string_view name() const override { return id_; }
    bool covers(std::string_view source, std::string_view target) const override;
    bool accepts(const TranslationRequest& request) const override;
    bool wordsOnly() const override { return true; }
    BackendResult translate(const TranslationRequest& request) override;

    // The dictionary went away or was replaced: from now on this engine has no word.
    void retire();

private:
    std::shared_ptr<const dictformats::Dictionary> dictionary() const;

    const std::string id_;
    const std::string source_; // our codes; empty when the names did not tell
    const std::string target_;
    const dictformats::LookupOptions options_;
    mutable std::mutex mutex_;
    std::shared_ptr<const dictformats::Dictionary> dictionary_;
};

// "【title】" then each entry: headword, pronunciation, part of speech, the senses numbered.
std::string ReadableEntries(const QString& title, const std::vector<dictformats::DictEntry>& entries);

} // namespace quillo::server
