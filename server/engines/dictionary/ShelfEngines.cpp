#include "server/engines/dictionary/ShelfEngines.h"

#include <QFileInfo>

#include <set>

namespace quillo::server {

ShelfEngines::ShelfEngines(std::shared_ptr<dictformats::DictionaryShelf> shelf, dictformats::LookupOptions options)
    : shelf_(std::move(shelf)), options_(std::move(options))
{
}

std::vector<FoundEngine> ShelfEngines::current() const
{
    const auto dictionaries = shelf_->dictionaries();
    std::lock_guard lock(mutex_);
    std::vector<FoundEngine> engines;
    std::set<std::string> taken;
    std::set<QString> present;
    for (const auto& dictionary : dictionaries) {
        const std::string base = DictionaryEngineId(dictionary->info().path);
        std::string id = base;
        for (int n = 2; !taken.insert(id).second; ++n)
            id = base + "-" + std::to_string(n);
        present.insert(dictionary->info().path);
        const QString& title = dictionary->info().title;
        engines.push_back({id, title.isEmpty() ? id : title.toStdString(), EngineKind::Dictionary, false,
                           backendFor(dictionary, id)});
    }
    for (auto it = made_.begin(); it != made_.end();) {
        if (present.count(it->first)) {
            ++it;
            continue;
        }
        it->second.backend->retire();
        retired_.push_back(std::move(it->second.backend));
        it = made_.erase(it);
    }
    return engines;
}

// Called under the lock.
std::shared_ptr<FoundDictionaryBackend>
ShelfEngines::backendFor(const std::shared_ptr<const dictformats::Dictionary>& dictionary, const std::string& id) const
{
    Made& made = made_[dictionary->info().path];
    if (made.dictionary == dictionary && made.backend && made.backend->name() == id)
        return made.backend;
    if (made.backend) {
        made.backend->retire();
        retired_.push_back(std::move(made.backend));
    }
    made = {dictionary, std::make_shared<FoundDictionaryBackend>(id, dictionary, options_)};
    return made.backend;
}

std::string DictionaryEngineId(const QString& path)
{
    QString name = QFileInfo(path).fileName();
    for (const char* extension : {".index", ".ifo"}) {
        if (name.endsWith(QLatin1String(extension), Qt::CaseInsensitive))
            name.chop(qsizetype(std::char_traits<char>::length(extension)));
    }
    std::string id = name.toLower().toStdString();
    for (char& c : id) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.';
        c = plain ? c : '-';
    }
    return id.empty() ? "dictionary" : id;
}

std::shared_ptr<ShelfEngines> StartDictionaryEngines(const std::string& dataDirectory,
                                                     dictformats::ScriptVariants scriptVariants)
{
    auto options = dictformats::DictionaryShelf::defaultOptions(QString::fromStdString(dataDirectory));
    if (qEnvironmentVariableIsSet("QUILLO_DICTIONARY_FOLDERS"))
        options.systemFolders = qEnvironmentVariable("QUILLO_DICTIONARY_FOLDERS").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    auto shelf = std::make_shared<dictformats::DictionaryShelf>(std::move(options));
    shelf->start();
    dictformats::LookupOptions lookup;
    lookup.scriptVariants = std::move(scriptVariants);
    return std::make_shared<ShelfEngines>(std::move(shelf), std::move(lookup));
}

} // namespace quillo::server
