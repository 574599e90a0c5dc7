#pragma once
// The user's terms as DeepL glossaries (POST /v2/glossaries, entries as TSV): one glossary per
// language pair, made when a translation first needs it and reused while the terms of the pair
// are unchanged; changed terms make a new one.
//
// DeepL keeps a glossary until it is deleted and allows an account only so many, so the one a
// new glossary replaces is deleted, and so are those an earlier run made for the pair (found by
// their name, "quillo " and the pair). Deleting comes after the translation and never fails it.

#include "server/engines/GlossaryTerms.h"
#include "server/fetch/ApiCall.h"

#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace quillo::server {

class DeepLGlossaries {
public:
    // `host` as DeepL's API is reached ("https://api.deepl.com"), `key` its key.
    DeepLGlossaries(std::string host, std::string key) : host_(std::move(host)), key_(std::move(key)) {}

    // The id of the glossary holding `terms` for the pair (DeepL's glossary codes: "en", "zh", ...),
    // made now when needed; empty when DeepL refused it (`error` says why).
    std::string idFor(const std::string& source, const std::string& target, const std::vector<GlossaryTerm>& terms,
                      Deadline deadline, std::string& error);
    // DeepL no longer knows glossary `id` (another server of the same key deleted it): the pair's
    // next idFor makes a new one.
    void forget(const std::string& id);
    // Deletes the glossaries no longer used, as far as `deadline` allows; a failure is only logged.
    void tidy(Deadline deadline);

    // The entries as DeepL takes them: one "term<TAB>translation" a line, each term once.
    static std::string entries(const std::vector<GlossaryTerm>& terms);

private:
    struct Made {
        std::string entries;
        std::string id;
    };
    ApiRequest request(const std::string& path, std::string body = {}, std::string method = {}) const;
    // Ids of the glossaries of an earlier run for the pairs in `pairs`, other than those in use.
    std::vector<std::string> earlierGlossaries(const std::set<std::string>& pairs, Deadline deadline);

    const std::string host_;
    const std::string key_;
    std::mutex mutex_;
    std::map<std::string, Made> made_; // by "source>target"
    std::vector<std::string> unused_;  // replaced, to be deleted
    std::set<std::string> unswept_;    // pairs whose earlier glossaries are still to be looked for
    std::set<std::string> swept_;
};

} // namespace quillo::server
