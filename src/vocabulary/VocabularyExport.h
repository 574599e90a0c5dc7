#pragma once
// The vocabulary book as files other programs read: a tab-separated file Anki imports as it is
// (its header lines name the separator, HTML fields, the note type, the deck and a tag), and CSV
// for spreadsheets.
#include "vocabulary/VocabularyBook.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace quillo {

inline constexpr const char* kAnkiDeck = "Quillo";
inline constexpr const char* kAnkiTag = "quillo";

// The back of a card: the entry's lines, then the sentence in italics with the word in bold.
QString CardBackHtml(const VocabularyItem& item);

// One note a line: the word, then CardBackHtml; UTF-8.
QByteArray AnkiTsv(const QList<VocabularyItem>& items);

// "word,entry,sentence,time" then one row per item (RFC 4180 quoting, CRLF); UTF-8 with a byte
// order mark, which spreadsheet programs need to read it as UTF-8.
QByteArray VocabularyCsv(const QList<VocabularyItem>& items);

// Writes through QSaveFile; the sentence for the user when it cannot.
std::optional<VocabularyError> WriteExport(const QString& path, const QByteArray& content);

} // namespace quillo
