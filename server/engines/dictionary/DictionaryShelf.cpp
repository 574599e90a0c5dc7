#include "server/engines/dictionary/DictionaryShelf.h"

#include "server/engines/dictionary/DictionaryLoaders.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <set>

namespace quillo::dictformats {

namespace {

std::set<QString> dictionaryFilesUnder(const QString& folder)
{
    std::set<QString> files;
    if (folder.isEmpty())
        return files;
    // Linked folders are not followed: a link back up would never end the walk.
    QDirIterator it(folder, QDir::Files | QDir::Readable, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (loaderFor(path))
            files.insert(path);
    }
    return files;
}

bool sameLanguage(const QString& wanted, const QString& offered)
{
    auto chinese = [](const QString& code) { return code == QLatin1String("zh") || code == QLatin1String("zt"); };
    return wanted.isEmpty() || offered.isEmpty() || wanted == offered || (chinese(wanted) && chinese(offered));
}

} // namespace

DictionaryShelf::Options DictionaryShelf::defaultOptions(const QString& dataFolder)
{
    Options options;
    options.systemFolders = {QStringLiteral("/usr/share/dictd"), QStringLiteral("/usr/share/stardict/dic")};
    options.dropFolder = QDir(dataFolder).filePath(QStringLiteral("dictionaries"));
    options.indexFolder = QDir(dataFolder).filePath(QStringLiteral("dictionary-index"));
    return options;
}

DictionaryShelf::DictionaryShelf(Options options) : options_(std::move(options)) {}

DictionaryShelf::~DictionaryShelf()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

void DictionaryShelf::start()
{
    if (!thread_.joinable())
        thread_ = std::thread([this] { run(); });
}

std::vector<std::shared_ptr<const Dictionary>> DictionaryShelf::dictionaries() const
{
    std::lock_guard lock(mutex_);
    std::vector<std::shared_ptr<const Dictionary>> list;
    for (const auto& [path, dictionary] : dictionaries_)
        list.push_back(dictionary);
    return list;
}

std::vector<std::pair<QString, DictError>> DictionaryShelf::problems() const
{
    std::lock_guard lock(mutex_);
    return {problems_.begin(), problems_.end()};
}

std::vector<DictionaryShelf::Answer> DictionaryShelf::lookUpAll(const QString& text, const QString& source,
                                                                const QString& target,
                                                                const LookupOptions& options) const
{
    std::vector<Answer> answers;
    for (auto& dictionary : dictionaries()) {
        const DictionaryInfo& info = dictionary->info();
        if (!sameLanguage(source, info.sourceLanguage) || !sameLanguage(target, info.targetLanguage))
            continue;
        auto match = lookUp(*dictionary, text, options);
        if (match.kind != MatchKind::None)
            answers.push_back({std::move(dictionary), std::move(match)});
    }
    return answers;
}

bool DictionaryShelf::waitUntilSettled(std::chrono::milliseconds limit)
{
    std::unique_lock lock(mutex_);
    return settled_.wait_for(lock, limit, [this] { return !scanDue_ && !scanning_; });
}

void DictionaryShelf::run()
{
    QString signature;
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        if (!scanDue_) {
            wake_.wait_for(lock, options_.pollInterval, [this] { return stopping_ || scanDue_; });
            if (stopping_)
                break;
            lock.unlock();
            const QString now = dropFolderSignature();
            lock.lock();
            scanDue_ = scanDue_ || now != signature;
            signature = now;
            if (!scanDue_)
                continue;
        }
        scanDue_ = false;
        scanning_ = true;
        lock.unlock();
        signature = dropFolderSignature();
        scan();
        lock.lock();
        scanning_ = false;
        settled_.notify_all();
    }
}

void DictionaryShelf::scan()
{
    std::set<QString> found;
    for (const QString& folder : options_.systemFolders + QStringList{options_.dropFolder})
        found.merge(dictionaryFilesUnder(folder));

    for (const QString& path : found) {
        const DictionaryLoader* loader = loaderFor(path);
        std::shared_ptr<const Dictionary> current;
        {
            std::lock_guard lock(mutex_);
            if (stopping_)
                return;
            if (auto it = dictionaries_.find(path); it != dictionaries_.end())
                current = it->second;
        }
        if (current && current->info().stamp == loader->stamp(path))
            continue;
        auto loaded = loader->load(path, options_.indexFolder);
        std::lock_guard lock(mutex_);
        if (loaded) {
            dictionaries_[path] = std::shared_ptr<const Dictionary>(std::move(loaded.value()));
            problems_.erase(path);
        } else {
            dictionaries_.erase(path);
            problems_.insert_or_assign(path, loaded.error());
        }
    }

    std::lock_guard lock(mutex_);
    std::erase_if(dictionaries_, [&](const auto& item) { return !found.count(item.first); });
    std::erase_if(problems_, [&](const auto& item) { return !found.count(item.first); });
}

// Names, sizes and times of everything in the drop folder: a dictionary added, copied over or
// taken away changes it.
QString DictionaryShelf::dropFolderSignature() const
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    QDirIterator it(options_.dropFolder, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo file = it.fileInfo();
        hash.addData(QStringLiteral("%1|%2|%3\n")
                         .arg(file.filePath())
                         .arg(file.size())
                         .arg(file.lastModified().toMSecsSinceEpoch())
                         .toUtf8());
    }
    return QString::fromLatin1(hash.result().toHex());
}

} // namespace quillo::dictformats
