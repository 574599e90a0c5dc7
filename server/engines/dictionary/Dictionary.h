#pragma once
// One dictionary found on the machine, whatever its format: its title and languages, its
// headword index and the articles behind it. The format's loader (DictionaryLoaders.h) makes it.

#include "server/engines/dictionary/ArticleFile.h"
#include "server/engines/dictionary/DictEntry.h"
#include "server/engines/dictionary/HeadwordIndex.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace quillo::dictformats {

struct DictionaryInfo {
    QString format;         // the loader's name: "dictd", "stardict"
    QString path;           // the file that names it (.index, .ifo)
    QString title;          // the dictionary's own title
    QString sourceLanguage; // our codes ("de", "en", "zh"); empty when unknown
    QString targetLanguage;
    QString stamp;          // sizes and times of its files: it changes when they do
};

class Dictionary {
public:
    // Reads one article into an entry; the format decides how.
    using ArticleReader = DictEntry (*)(const QByteArray& article, const QString& headword, const QString& types);

    Dictionary(DictionaryInfo info, std::unique_ptr<HeadwordIndex> index, std::unique_ptr<ArticleFile> articles,
               ArticleReader reader, QString articleTypes = {});

    const DictionaryInfo& info() const { return info_; }
    const HeadwordIndex& index() const { return *index_; }

    // The headwords under the folded key, and the entry of one of them (nothing when the data file
    // does not hold its article).
    std::vector<IndexedHeadword> find(const QString& key) const { return index_->find(key); }
    std::optional<DictEntry> entry(const IndexedHeadword& headword) const;

private:
    DictionaryInfo info_;
    std::unique_ptr<HeadwordIndex> index_;
    std::unique_ptr<ArticleFile> articles_;
    ArticleReader reader_;
    QString articleTypes_;
};

} // namespace quillo::dictformats
