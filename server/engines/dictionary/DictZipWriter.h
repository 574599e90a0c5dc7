#pragma once
// Writes a text as dictzip with short chunks. dictzip's own chunks (58315 bytes) make a lookup
// inflate up to 58 KB for every article it reads, and a headword's articles lie scattered over
// the file; so when a headword index is built, the articles of a dictionary with long chunks are
// copied once, beside the index, in chunks of kLookupChunkLength, which a lookup inflates in
// microseconds. The copy is a little larger than the original, since each chunk starts afresh.

#include "server/engines/dictionary/ArticleFile.h"

#include <optional>

namespace quillo::dictformats {

inline constexpr quint32 kLookupChunkLength = 8192;

// Copies the whole text of `source` into a dictzip file at `path`; chunks are kLookupChunkLength
// long unless the text needs longer ones to fit dictzip's chunk table.
std::optional<DictError> writeDictZip(const ArticleFile& source, const QString& path);

} // namespace quillo::dictformats
