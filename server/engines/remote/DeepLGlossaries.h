#pragma once
// The user's terms as DeepL glossaries (POST /v2/glossaries, entries as TSV): one glossary per
// language pair, made when a translation first needs it and reused while the terms of the pair
// are unchanged; changed terms make a new one.

#include "server/engines/GlossaryTerms.h"
#include "server/fetch/ApiCall.h"

#include <map>
#include <mutex>
#include <string>

namespace quillo::server {

class DeepLGlossaries {
public:
    // `host` as DeepL's API is reached ("https://api.deepl.com"), `key` its key.
    DeepLGlossaries(std::string host, std::string key) : host_(std::move(host)), key_(std::move(key)) {}

    // The id of the glossary holding `terms` for the pair (DeepL's glossary codes: "en", "zh", ...),
    // made now when needed; empty when DeepL refused it (`error` says why).
    std::string idFor(const std::string& source, const std::string& target, const std::vector<GlossaryTerm>& terms,
                      Deadline deadline, std::string& error);

    // The entries as DeepL takes them: one "term<TAB>translation" a line, each term once.
    static std::string entries(const std::vector<GlossaryTerm>& terms);

private:
    struct Made {
        std::string entries;
        std::string id;
    };
    const std::string host_;
    const std::string key_;
    std::mutex mutex_;
    std::map<std::string, Made> made_; // by "source>target"
};

} // namespace quillo::server
