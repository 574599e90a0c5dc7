#include "server/api/GlossaryTermSource.h"

#include "server/api/ApiLanguages.h"
#include "server/base/Log.h"
#include "server/stores/GlossaryStore.h"

#include "translate/ChineseConvert.h"

#include <algorithm>

namespace quillo::server {

namespace {

bool isChinese(const ServiceLanguage& language)
{
    return language.code == "zh" || language.code == "zt";
}

// The language itself first, then the other Chinese script for a Chinese one.
std::vector<const ServiceLanguage*> spellings(const ServiceLanguage& language)
{
    if (!isChinese(language))
        return {&language};
    return {&language, LanguageByCode(language.code == "zh" ? "zt" : "zh")};
}

std::string inScript(const std::string& text, const ServiceLanguage& from, const ServiceLanguage& to)
{
    if (&from == &to)
        return text;
    const QString converted = to.code == "zt" ? SimplifiedToTraditional(QString::fromStdString(text))
                                              : TraditionalToSimplified(QString::fromStdString(text));
    return converted.toStdString();
}

} // namespace

GlossaryLookup GlossaryTermSource(const GlossaryStore& store)
{
    return [&store](const ServiceLanguage& source, const ServiceLanguage& target) {
        std::vector<GlossaryTerm> terms;
        for (const ServiceLanguage* keptSource : spellings(source)) {
            for (const ServiceLanguage* keptTarget : spellings(target)) {
                std::vector<GlossaryEntry> entries;
                std::string error;
                if (store.list(ApiCode(*keptSource, CodeStyle::Open), ApiCode(*keptTarget, CodeStyle::Open), entries,
                               error) != GlossaryStore::Outcome::Done) {
                    LogError("glossary: " + error);
                    continue;
                }
                for (const GlossaryEntry& entry : entries) {
                    GlossaryTerm term{inScript(entry.term, *keptSource, source),
                                      inScript(entry.translation, *keptTarget, target), entry.note};
                    // A term kept for the pair itself wins over its other script's spelling.
                    if (std::none_of(terms.begin(), terms.end(), [&](const GlossaryTerm& known) { return known.term == term.term; }))
                        terms.push_back(std::move(term));
                }
            }
        }
        return terms;
    };
}

} // namespace quillo::server
