#include "server/engines/dictionary/DictEntry.h"

#include "server/engines/dictionary/Folding.h"

#include <QRegularExpression>

namespace quillo::dictformats {

namespace {

// freedict marks the part of speech of each translation ("house <n>"); the header says it once.
QString withoutPosMarks(QString text)
{
    static const QRegularExpression marks(QStringLiteral("\\s*<[^<>]*>"));
    return text.remove(marks).trimmed();
}

// Cross references are written "{word}"; the braces are dictd's markup, not the reader's.
QString withoutBraces(QString text)
{
    return text.remove(QLatin1Char('{')).remove(QLatin1Char('}'));
}

QString readableNote(const QString& line)
{
    QString note = withoutBraces(line.trimmed());
    if (note.startsWith(QLatin1String("Note: ")))
        note.remove(0, 6);
    else if (note.startsWith(QLatin1String("see: ")))
        note.replace(0, 5, QStringLiteral("See: "));
    return note;
}

struct Header {
    bool found = false;
    QString headword, pronunciation, partOfSpeech;
};

// The first line is a header when it starts with the headword (after freedict's "[tags]"), or
// when it gives a pronunciation: freedict indexes an entry under its variants too ("0p" finds
// "No problem! /…/ (0p /…/)").
Header readHeader(const QString& line, const QString& indexHeadword)
{
    static const QRegularExpression tags(QStringLiteral("\\[[^\\]]*\\]"));
    // The pronunciation opens after a blank and closes before a blank, a comma or the end, so a
    // slash inside the headword ("1/3 bond", "Laube/der Lack", "set-aside / of set-aside land")
    // never opens one. Some files double the slashes ("//ˈwʌn ʌp//").
    static const QRegularExpression withPronunciation(
        QStringLiteral("^(.*?)\\s+//? ?([^/\\s][^/]*)//?(?=[\\s(,;]|$)(.*)$"));
    static const QRegularExpression parenthesised(QStringLiteral("\\([^()]*\\)"));
    static const QRegularExpression pos(QStringLiteral("<([^<>]*)>"));
    const QString stripped = QString(line).remove(tags).simplified();
    Header header;
    QString rest = stripped;
    if (const auto match = withPronunciation.match(stripped); match.hasMatch()) {
        header.headword = match.captured(1);
        header.pronunciation = match.captured(2).trimmed();
        rest = match.captured(3);
    } else {
        header.headword = withoutPosMarks(stripped);
    }
    // The inflected forms in parentheses carry marks of their own ("(abode /…/ <>) <v>").
    if (const auto match = pos.match(rest.remove(parenthesised)); match.hasMatch())
        header.partOfSpeech = match.captured(1).trimmed();
    header.found = !header.headword.isEmpty()
                   && (indexHeadword.isEmpty() || !header.pronunciation.isEmpty()
                       || dictdKey(header.headword) == dictdKey(indexHeadword));
    return header;
}

bool isIndented(const QString& line)
{
    return !line.isEmpty() && line[0].isSpace();
}

} // namespace

DictEntry parseDictdArticle(const QString& article, const QString& headword)
{
    static const QRegularExpression numbered(QStringLiteral("^\\s*\\d+\\.\\s+(.*)$"));
    QStringList lines = article.split(QLatin1Char('\n'));
    DictEntry entry;
    entry.headword = headword;
    if (!lines.isEmpty()) {
        const Header header = readHeader(lines.first(), headword);
        if (header.found) {
            entry.headword = header.headword;
            entry.pronunciation = header.pronunciation;
            entry.partOfSpeech = header.partOfSpeech;
            lines.removeFirst();
        }
    }
    for (const QString& line : std::as_const(lines)) {
        if (line.trimmed().isEmpty())
            continue;
        if (const auto match = numbered.match(line); match.hasMatch())
            entry.senses.push_back({withoutBraces(withoutPosMarks(match.captured(1))), {}});
        else if (!isIndented(line) || entry.senses.empty())
            entry.senses.push_back({withoutBraces(withoutPosMarks(line)), {}});
        else
            entry.senses.back().notes.append(readableNote(line));
    }
    return entry;
}

std::vector<DictSense> sensesFromLines(const QString& text)
{
    static const QRegularExpression numbering(QStringLiteral("^\\d+[.)]\\s+"));
    std::vector<DictSense> senses;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        QString sense = line.trimmed();
        sense.remove(numbering);
        if (!sense.isEmpty())
            senses.push_back({sense, {}});
    }
    return senses;
}

QString textOfMarkup(const QString& markup)
{
    static const QRegularExpression breaks(
        QStringLiteral("<\\s*(br|/p|/div|/li|/tr|/h[1-6]|/blockquote|/dd|/dt)\\b[^>]*>"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression tags(QStringLiteral("<[^>]*>"));
    static const QRegularExpression numeric(QStringLiteral("&#(x?)([0-9a-fA-F]+);"));
    QString text = markup;
    text.replace(breaks, QStringLiteral("\n")).remove(tags);
    QString decoded;
    qsizetype last = 0;
    for (auto it = numeric.globalMatch(text); it.hasNext();) {
        const auto match = it.next();
        bool ok = false;
        const char32_t code = match.captured(2).toUInt(&ok, match.captured(1).isEmpty() ? 10 : 16);
        decoded += text.mid(last, match.capturedStart() - last);
        decoded += ok && code > 0 && code <= 0x10FFFF ? QString::fromUcs4(&code, 1) : match.captured(0);
        last = match.capturedEnd();
    }
    decoded += text.mid(last);
    decoded.replace(QLatin1String("&nbsp;"), QLatin1String(" "))
        .replace(QLatin1String("&lt;"), QLatin1String("<"))
        .replace(QLatin1String("&gt;"), QLatin1String(">"))
        .replace(QLatin1String("&quot;"), QLatin1String("\""))
        .replace(QLatin1String("&apos;"), QLatin1String("'"))
        .replace(QLatin1String("&amp;"), QLatin1String("&"));
    return decoded;
}

QString renderText(const DictEntry& entry)
{
    QString text = entry.headword;
    if (!entry.pronunciation.isEmpty())
        text += QStringLiteral(" /%1/").arg(entry.pronunciation);
    if (!entry.partOfSpeech.isEmpty())
        text += QStringLiteral(" (%1)").arg(entry.partOfSpeech);
    const bool numbered = entry.senses.size() > 1;
    int number = 0;
    for (const DictSense& sense : entry.senses) {
        text += numbered ? QStringLiteral("\n%1. %2").arg(++number).arg(sense.text) : QStringLiteral("\n") + sense.text;
        for (const QString& note : sense.notes)
            text += QStringLiteral("\n   ") + note;
    }
    return text;
}

} // namespace quillo::dictformats
