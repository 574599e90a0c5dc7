#include "ocr/TextJoining.h"

#include "ocr/OcrLanguages.h"

#include <QStringList>

#include <algorithm>

namespace quillo {

namespace {

constexpr int kVerseLine = 12; // characters; longer lines are prose wrapped by the layout

bool any(const std::vector<Language>& languages, bool (*test)(Language))
{
    return std::any_of(languages.begin(), languages.end(), test);
}

bool isChinese(Language language)
{
    return language == Simplified || language == Traditional;
}

char32_t firstCharacter(const QString& text)
{
    return text.isEmpty() ? 0 : text.toUcs4().constFirst();
}

char32_t lastCharacter(const QString& text)
{
    return text.isEmpty() ? 0 : text.toUcs4().constLast();
}

bool endsClause(char32_t character)
{
    return std::u32string_view(U"，。！？；：、,.!?;:").find(character) != std::u32string_view::npos;
}

// The models often answer a Chinese comma or colon with the ASCII one; after a Chinese or
// Japanese character it is the full-width mark.
char32_t fullWidthAfterCharacter(char32_t previous, char32_t mark)
{
    static constexpr std::u32string_view ascii = U",:;!?()";
    static constexpr std::u32string_view full = U"，：；！？（）";
    const size_t at = ascii.find(mark);
    return at != std::u32string_view::npos && IsWrittenWithoutSpaces(previous) ? full[at] : mark;
}

bool isFullWidthMark(char32_t c)
{
    return (c >= 0x3000 && c <= 0x303F) || (c >= 0xFF01 && c <= 0xFF0F) || (c >= 0xFF1A && c <= 0xFF20);
}

// A blank goes between two characters written without blanks, and beside a full-width mark,
// which carries its own space; "在 Linux 上" keeps both of its.
bool blankGoes(char32_t before, char32_t after)
{
    return (IsWrittenWithoutSpaces(before) && IsWrittenWithoutSpaces(after)) || isFullWidthMark(before)
        || isFullWidthMark(after);
}

QString withoutBlanksBetweenCharacters(const QString& line)
{
    std::u32string text = line.toStdU32String();
    for (size_t i = 1; i < text.size(); ++i)
        text[i] = fullWidthAfterCharacter(text[i - 1], text[i]);
    std::u32string joined;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == U' ' && !joined.empty()) {
            size_t next = i;
            while (next < text.size() && text[next] == U' ')
                ++next;
            if (next < text.size() && blankGoes(joined.back(), text[next])) {
                i = next - 1;
                continue;
            }
        }
        joined += text[i];
    }
    return QString::fromStdU32String(joined);
}

// Short lines that each end a clause, or short lines of one length (five- and seven-character
// verse without punctuation), are verse; anything else is prose the layout wrapped.
bool isVerse(const QStringList& lines)
{
    if (lines.size() < 2)
        return false;
    const auto length = [](const QString& line) { return int(line.toUcs4().size()); };
    const bool allShort = std::all_of(lines.begin(), lines.end(), [&](const QString& l) { return length(l) <= kVerseLine; });
    if (!allShort)
        return false;
    const bool eachEndsClause = std::all_of(lines.begin(), lines.end(), [](const QString& l) { return endsClause(lastCharacter(l)); });
    const bool oneLength = std::all_of(lines.begin(), lines.end(), [&](const QString& l) { return length(l) == length(lines.first()); });
    return eachEndsClause || oneLength;
}

QString joinParagraph(const QStringList& lines, bool chinese)
{
    if (!chinese || isVerse(lines))
        return lines.join(QLatin1Char('\n'));
    QString paragraph = lines.first();
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const bool glued = IsWrittenWithoutSpaces(lastCharacter(paragraph)) || IsWrittenWithoutSpaces(firstCharacter(lines[i]));
        paragraph += glued ? lines[i] : QLatin1Char(' ') + lines[i];
    }
    return paragraph;
}

} // namespace

bool IsWrittenWithoutSpaces(char32_t c)
{
    return (c >= 0x2E80 && c <= 0x2FDF)     // radicals
        || (c >= 0x3000 && c <= 0x30FF)     // CJK punctuation, hiragana, katakana
        || (c >= 0x3400 && c <= 0x4DBF)     // extension A
        || (c >= 0x4E00 && c <= 0x9FFF)     // unified ideographs
        || (c >= 0xF900 && c <= 0xFAFF)     // compatibility ideographs
        || (c >= 0xFF00 && c <= 0xFF60)     // full-width forms
        || (c >= 0x20000 && c <= 0x3134F);  // extensions B-G
}

QString JoinRecognisedText(const QString& recognised, const std::vector<Language>& languages)
{
    const bool withoutSpaces = any(languages, WritesWithoutSpaces);
    const bool chinese = any(languages, isChinese);
    QStringList paragraphs;
    QStringList lines;
    const auto endParagraph = [&] {
        if (!lines.isEmpty())
            paragraphs << joinParagraph(lines, chinese);
        lines.clear();
    };
    for (const QString& rawLine : recognised.split(QLatin1Char('\n'))) {
        QString line = rawLine.trimmed();
        if (withoutSpaces)
            line = withoutBlanksBetweenCharacters(line);
        if (line.isEmpty())
            endParagraph();
        else
            lines << line;
    }
    endParagraph();
    return paragraphs.join(QStringLiteral("\n\n"));
}

} // namespace quillo
