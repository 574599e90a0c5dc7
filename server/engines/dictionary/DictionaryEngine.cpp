// The CC-CEDICT dictionary in the registry: chosen by default when its file is there.

#include "server/engines/dictionary/DictionaryEngine.h"

#include "server/engines/EngineRegistry.h"
#include "server/engines/dictionary/DictionaryBackend.h"

#include <filesystem>
#include <system_error>

#ifndef QUILLO_CEDICT_FILE
#define QUILLO_CEDICT_FILE ""
#endif

namespace quillo::server {

std::string DefaultDictionaryFile()
{
    // An installed server finds the file its package ships (PREFIX/share/quillo beside PREFIX/bin);
    // a server in a build tree the one scripts/setup.sh fetched.
    std::error_code failed;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", failed);
    if (!failed) {
        const auto shipped = program.parent_path().parent_path() / "share" / "quillo" / "cedict_ts.u8";
        if (std::filesystem::is_regular_file(shipped, failed))
            return shipped.string();
    }
    return QUILLO_CEDICT_FILE;
}

void RegisterDictionaryEngines(EngineRegistry& registry)
{
    EngineDescriptor dictionary;
    dictionary.id = dictionary.section = "dictionary";
    dictionary.displayName = "CC-CEDICT 汉英词典";
    dictionary.shortName = "dict";
    dictionary.kind = EngineKind::Dictionary;
    dictionary.rank = 50;
    dictionary.options = {
        {.key = "file",
         .flag = "--dictionary",
         .help = "the CC-CEDICT file for the offline Chinese-English dictionary",
         .defaultValue = DefaultDictionaryFile(),
         .valueName = "FILE"},
    };
    dictionary.setUp = [](const EngineConfig& config) {
        std::error_code failed;
        return !config.value("file").empty() && std::filesystem::exists(config.value("file"), failed);
    };
    dictionary.make = [](EngineConfig& config, std::string& error) -> std::unique_ptr<TranslationBackend> {
        std::filesystem::create_directories(config.dataDirectory);
        const std::string indexFile = (std::filesystem::path(config.dataDirectory) / "cedict.sqlite3").string();
        auto index = CedictIndex::open(config.value("file"), indexFile, error);
        if (!index) {
            error = "dictionary: " + error;
            return nullptr;
        }
        return std::make_unique<DictionaryBackend>(std::move(index));
    };
    registry.add(std::move(dictionary));
}

} // namespace quillo::server
