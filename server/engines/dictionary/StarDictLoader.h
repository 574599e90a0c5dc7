#pragma once
// StarDict's format: "name.ifo" (its title and the layout of its articles), "name.idx" or
// "name.idx.gz" (headwords, each followed by its article's offset and size, big-endian),
// "name.dict.dz" or "name.dict" (the articles) and, optionally, "name.syn" (other spellings, each
// pointing at an entry of the .idx). The languages come from the folder the dictionary sits in
// ("en-zh/...") or, failing that, from its file name.

#include "server/engines/dictionary/DictionaryLoaders.h"

namespace quillo::dictformats {

DictionaryLoader starDictLoader();

// An article in StarDict's fields: with `types` (the .ifo's sametypesequence) the fields are
// those types in order, the last without its terminator or size; without it, each field starts
// with its type. Text, markup and phonetic fields are read; sound and pictures are passed over.
DictEntry readStarDictArticle(const QByteArray& article, const QString& headword, const QString& types);

} // namespace quillo::dictformats
