#include "server/api/GlossaryTermSource.h"

#include "server/api/ApiLanguages.h"
#include "server/base/Log.h"

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

GlossaryTermSource::GlossaryTermSource(GlossaryStore& store, std::chrono::milliseconds maxAge)
    : store_(store), maxAge_(maxAge)
{
    reload();
}

GlossaryTermSource::~GlossaryTermSource()
{
    if (reloader_.joinable())
        reloader_.join();
}

GlossaryLookup GlossaryTermSource::lookup()
{
    return [this](const ServiceLanguage& source, const ServiceLanguage& target) { return termsFor(source, target); };
}

void GlossaryTermSource::reload()
{
    auto entries = std::make_shared<std::vector<GlossaryEntry>>();
    std::string error;
    const bool read = store_.list({}, {}, *entries, error) == Outcome::Done;
    if (!read)
        LogError("glossary: " + error + "; translations keep the terms read before");
    std::lock_guard lock(mutex_);
    loadedAt_ = std::chrono::steady_clock::now();
    if (read)
        entries_ = std::move(entries);
}

void GlossaryTermSource::reloadInBackgroundWhenOld()
{
    std::lock_guard lock(mutex_);
    if (std::chrono::steady_clock::now() - loadedAt_ < maxAge_ || reloading_.exchange(true))
        return;
    if (reloader_.joinable())
        reloader_.join(); // done: it cleared reloading_ as its last step
    reloader_ = std::thread([this] {
        reload();
        reloading_ = false;
    });
}

std::vector<GlossaryTerm> GlossaryTermSource::termsFor(const ServiceLanguage& source, const ServiceLanguage& target)
{
    reloadInBackgroundWhenOld();
    Entries entries;
    {
        std::lock_guard lock(mutex_);
        entries = entries_;
    }
    std::vector<GlossaryTerm> terms;
    if (!entries)
        return terms;
    for (const ServiceLanguage* keptSource : spellings(source)) {
        for (const ServiceLanguage* keptTarget : spellings(target)) {
            const std::string sourceCode = ApiCode(*keptSource, CodeStyle::Open);
            const std::string targetCode = ApiCode(*keptTarget, CodeStyle::Open);
            for (const GlossaryEntry& entry : *entries) {
                if (entry.source != sourceCode || entry.target != targetCode)
                    continue;
                GlossaryTerm term{inScript(entry.term, *keptSource, source),
                                  inScript(entry.translation, *keptTarget, target), entry.note};
                // A term kept for the pair itself wins over its other script's spelling.
                if (std::none_of(terms.begin(), terms.end(), [&](const GlossaryTerm& known) { return known.term == term.term; }))
                    terms.push_back(std::move(term));
            }
        }
    }
    return terms;
}

GlossaryStore::Outcome GlossaryTermSource::add(GlossaryEntry& entry, bool& replaced, std::string& error)
{
    const Outcome outcome = store_.add(entry, replaced, error);
    if (outcome == Outcome::Done)
        reload();
    return outcome;
}

GlossaryStore::Outcome GlossaryTermSource::list(const std::string& source, const std::string& target,
                                                std::vector<GlossaryEntry>& entries, std::string& error) const
{
    return store_.list(source, target, entries, error);
}

GlossaryStore::Outcome GlossaryTermSource::remove(int64_t id, std::string& error)
{
    const Outcome outcome = store_.remove(id, error);
    if (outcome == Outcome::Done)
        reload();
    return outcome;
}

} // namespace quillo::server
