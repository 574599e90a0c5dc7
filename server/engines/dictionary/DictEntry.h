#pragma once
// A dictionary entry as the formats' articles are read into it (headword, pronunciation, senses
// with their notes), and its readable rendering for the dictionary card and the result box.

#include <QString>
#include <QStringList>

#include <vector>

namespace quillo::dictformats {

struct DictSense {
    QString text;
    QStringList notes; // usage notes, examples, synonyms, cross references

    bool operator==(const DictSense&) const = default;
};

struct DictEntry {
    QString headword;
    QString pronunciation; // without the slashes
    QString partOfSpeech;
    std::vector<DictSense> senses;

    bool operator==(const DictEntry&) const = default;
};

// A dictd article (freedict's layout: "word /pron/ <pos>" then the senses, numbered or one a line,
// with indented notes). `headword` is the index's, used when the article does not start with it.
DictEntry parseDictdArticle(const QString& article, const QString& headword);

// A plain-text article whose lines are senses (StarDict's text types).
std::vector<DictSense> sensesFromLines(const QString& text);

// The text of an HTML or XML fragment: tags dropped, line breaks where blocks end, entities read.
QString textOfMarkup(const QString& markup);

// "headword /pron/ (pos)" then the senses, numbered when there are several, notes indented.
QString renderText(const DictEntry& entry);

} // namespace quillo::dictformats
