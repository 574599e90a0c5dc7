#include "server/app/EnginesTable.h"

#include "server/app/BackendChain.h"
#include "server/engines/AllEngines.h"
#include "server/engines/TranslationService.h"
#include "server/engines/dictionary/ShelfEngines.h"

#include <chrono>
#include <cstdio>

namespace quillo::server {

namespace {

constexpr size_t kColumn = 10;

// A dictionary's pairs are marked: it answers words and short phrases only.
std::string label(const TranslationBackend* engine)
{
    if (!engine)
        return "-";
    const EngineDescriptor* registered = AllEngines().find(engine->name());
    // A dictionary found on the machine has no short name; the list under the table names it.
    std::string name = registered && !registered->shortName.empty() ? registered->shortName
        : !registered && engine->wordsOnly()                         ? std::string("dict")
                                                                     : std::string(engine->name());
    return engine->wordsOnly() ? name + "*" : name;
}

std::string padded(std::string text)
{
    text.resize(std::max(text.size() + 1, kColumn), ' ');
    return text;
}

void endRow(std::string& table)
{
    while (table.ends_with(' '))
        table.pop_back();
    table += "\n";
}

} // namespace

std::string EnginesTable(const TranslationService& service)
{
    std::string table = "Engine for each pair (row: from, column: to)\n\n" + padded("");
    for (const ServiceLanguage& target : AllLanguages())
        table += padded(std::string(target.code));
    endRow(table);
    int translated = 0, dictionaryOnly = 0;
    for (const ServiceLanguage& source : AllLanguages()) {
        table += padded(std::string(source.code));
        for (const ServiceLanguage& target : AllLanguages()) {
            if (&source == &target) {
                table += padded("=");
                continue;
            }
            const TranslationBackend* engine = service.engineFor(source, target);
            const bool dictionary = engine && engine->wordsOnly();
            translated += engine && !dictionary;
            dictionaryOnly += dictionary;
            table += padded(label(engine));
        }
        endRow(table);
    }
    table += "\n";
    for (const ServiceLanguage& language : AllLanguages())
        table += std::string(language.code) + " " + std::string(language.name) + "  ";
    endRow(table);
    table += "\n" + std::to_string(translated) + " of 156 pairs translated";
    if (dictionaryOnly > 0)
        table += "; dict*: " + std::to_string(dictionaryOnly) + " more pairs answer words and short phrases from the dictionary";
    table += ".\n";
    if (translated < 156)
        table += "-: no engine. " + std::string(TranslationService::kAddEngineHint) + "\n";
    return table;
}

namespace {

// The dictionaries found, each with its pair, and those that could not be loaded with why.
std::string DictionaryList(const ShelfEngines& dictionaries, const std::string& dropFolder)
{
    std::string list = "\nDictionaries (words and short phrases; drop more into " + dropFolder + "):\n";
    const auto found = dictionaries.current();
    for (const FoundEngine& engine : found) {
        const auto pairs = TranslationService::pairsOf(*engine.backend);
        const std::string pair = pairs.empty() ? "no pair: its name or folder does not tell its languages"
                                               : std::string(pairs.front().first->code) + "->" + std::string(pairs.front().second->code);
        list += "  " + padded(engine.id) + padded(pair) + engine.name + "\n";
    }
    if (found.empty())
        list += "  none\n";
    for (const auto& [path, problem] : dictionaries.shelf().problems())
        list += "  not loaded: " + path.toStdString() + ": " + problem.message.toStdString() + "\n";
    return list;
}

} // namespace

int RunEngines(const ServeOptions& options)
{
    std::string error;
    auto backends = MakeBackends(options, error);
    if (!error.empty()) {
        std::fprintf(stderr, "quillo-server engines: %s\n", error.c_str());
        return 1;
    }
    TranslationService service(std::move(backends));
    const auto dictionaries = StartDictionaryEngines(options.dataDirectory, {});
    // A first run builds the dictionaries' indices; later runs find them built.
    dictionaries->shelf().waitUntilSettled(std::chrono::minutes(5));
    service.setFoundEngines(dictionaries);
    const std::string table = EnginesTable(service) + DictionaryList(*dictionaries, options.dataDirectory + "/dictionaries");
    std::fwrite(table.data(), 1, table.size(), stdout);
    return 0;
}

} // namespace quillo::server
