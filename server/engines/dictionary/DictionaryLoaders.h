#pragma once
// The dictionary formats the server reads, one loader each, all in one list: adding a format is
// its own files and one line in DictionaryLoaders.cpp.

#include "server/engines/dictionary/DictError.h"
#include "server/engines/dictionary/Dictionary.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

namespace quillo::dictformats {

struct DictionaryLoader {
    const char* format;
    // Whether the file names a dictionary of this format (its .index, its .ifo).
    bool (*claims)(const QString& fileName);
    // The stamp of the dictionary's files as they are now, cheap to take: a dictionary whose
    // stamp is unchanged need not be loaded again.
    QString (*stamp)(const QString& path);
    // Opens the dictionary, building its headword index under `indexFolder` when that is missing
    // or older than the files.
    DictResult<std::unique_ptr<Dictionary>> (*load)(const QString& path, const QString& indexFolder);
};

const std::vector<DictionaryLoader>& dictionaryLoaders();

// The loader that claims the file, or nullptr.
const DictionaryLoader* loaderFor(const QString& fileName);

// Helpers the loaders share.
// Sizes and modification times of the files that exist among `paths`.
QString filesStamp(const QStringList& paths);
// The first of `paths` that exists, or an empty string.
QString firstExisting(const QStringList& paths);
// Where the headword index of the dictionary at `path` lives.
QString indexPathFor(const QString& indexFolder, const QString& format, const QString& path);

// Part of an index build: when the articles are dictzipped in long chunks, copies them in short
// ones beside the index (DictZipWriter.h says why) and records the copy in the index.
std::optional<DictError> copyArticlesForLookups(const ArticleFile& original, const QString& indexPath,
                                                HeadwordIndex::Writer& writer);
// The articles lookups read: the copy the index records where it is there, else the original.
std::unique_ptr<ArticleFile> articlesForLookups(std::unique_ptr<ArticleFile> original, const HeadwordIndex& index,
                                                const QString& indexPath);

} // namespace quillo::dictformats
