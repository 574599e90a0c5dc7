#pragma once
// Every dictionary on the machine: those the system keeps (Debian's dictd and StarDict folders)
// and those the user drops into the server's data folder ("dictionaries/"). Loading happens on a
// thread of its own, so that start-up never waits for an index to be built; dictionaries answer
// as soon as each is ready. The same thread looks at the drop folder every so often and loads
// what was added or changed there, and forgets what was taken away, without a restart.

#include "server/engines/dictionary/DictError.h"
#include "server/engines/dictionary/Dictionary.h"
#include "server/engines/dictionary/DictionaryLookup.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace quillo::dictformats {

class DictionaryShelf {
public:
    struct Options {
        QStringList systemFolders; // read at each scan
        QString dropFolder;        // read at each scan, and watched for changes
        QString indexFolder;       // where the headword indices are built
        std::chrono::milliseconds pollInterval{1000};
    };
    // The system's folders, and "dictionaries" and "dictionary-index" under the data folder.
    static Options defaultOptions(const QString& dataFolder);

    explicit DictionaryShelf(Options options);
    ~DictionaryShelf();
    DictionaryShelf(const DictionaryShelf&) = delete;
    DictionaryShelf& operator=(const DictionaryShelf&) = delete;

    // Starts the loading thread and returns at once.
    void start();

    // The dictionaries loaded so far, in the order of their paths.
    std::vector<std::shared_ptr<const Dictionary>> dictionaries() const;

    // Why the dictionaries that could not be loaded were not, by their paths.
    std::vector<std::pair<QString, DictError>> problems() const;

    struct Answer {
        std::shared_ptr<const Dictionary> dictionary;
        DictionaryMatch match;
    };
    // The answer of every dictionary of the pair that has the word (a language left empty
    // matches any; Chinese dictionaries serve both scripts).
    std::vector<Answer> lookUpAll(const QString& text, const QString& source, const QString& target,
                                  const LookupOptions& options = {}) const;

    // Waits until no scan is running or due; false when `limit` ran out first.
    bool waitUntilSettled(std::chrono::milliseconds limit);

private:
    void run();
    void scan();
    QString dropFolderSignature() const;

    Options options_;
    std::thread thread_;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable settled_;
    bool stopping_ = false;
    bool scanDue_ = true;
    bool scanning_ = false;
    std::map<QString, std::shared_ptr<const Dictionary>> dictionaries_;
    std::map<QString, DictError> problems_;
};

} // namespace quillo::dictformats
