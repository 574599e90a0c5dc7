#pragma once
// dictd's format: "name.index", one headword a line with the article's offset and length in
// dictd's base-64 digits, and "name.dict.dz" (dictzip) or "name.dict" holding the articles. The
// title is the article of the "00-database-short" headword; freedict's names give the languages.

#include "server/engines/dictionary/DictionaryLoaders.h"

#include <QByteArrayView>

#include <optional>

namespace quillo::dictformats {

DictionaryLoader dictdLoader();

// A number in dictd's base-64 digits (most significant first); nothing for another character.
std::optional<quint64> decodeDictdNumber(QByteArrayView digits);

} // namespace quillo::dictformats
