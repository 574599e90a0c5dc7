#pragma once
// The dictionaries of the shelf as engines, one each: its id from its file ("freedict-deu-eng"),
// its name its own title. The list follows the shelf, so a dictionary dropped into the data folder
// while the server runs is an engine at the next request after it is loaded.

#include "server/engines/FoundEngines.h"
#include "server/engines/dictionary/DictionaryShelf.h"
#include "server/engines/dictionary/FoundDictionaryBackend.h"

#include <map>
#include <memory>
#include <mutex>

namespace quillo::server {

class ShelfEngines final : public FoundEngines {
public:
    ShelfEngines(std::shared_ptr<dictformats::DictionaryShelf> shelf, dictformats::LookupOptions options);

    std::vector<FoundEngine> current() const override;
    dictformats::DictionaryShelf& shelf() const { return *shelf_; }

private:
    struct Made {
        std::shared_ptr<const dictformats::Dictionary> dictionary;
        std::shared_ptr<FoundDictionaryBackend> backend;
    };
    std::shared_ptr<FoundDictionaryBackend> backendFor(const std::shared_ptr<const dictformats::Dictionary>& dictionary,
                                                       const std::string& id) const;

    std::shared_ptr<dictformats::DictionaryShelf> shelf_;
    const dictformats::LookupOptions options_;
    mutable std::mutex mutex_;
    mutable std::map<QString, Made> made_; // by the dictionary's path
    // Engines whose dictionary went: kept, answering nothing, for callers still holding them.
    mutable std::vector<std::shared_ptr<FoundDictionaryBackend>> retired_;
};

// The engine id a dictionary's file gives: its name without the format's extension, in lower
// case, other characters than letters, digits, '-', '_' and '.' made '-'.
std::string DictionaryEngineId(const QString& path);

// The shelf of the machine's dictionaries and the data folder's drop folder, loading already.
// QUILLO_DICTIONARY_FOLDERS, when set, replaces the machine's folders (':' between them; empty
// for none).
std::shared_ptr<ShelfEngines> StartDictionaryEngines(const std::string& dataDirectory,
                                                     dictformats::ScriptVariants scriptVariants);

} // namespace quillo::server
