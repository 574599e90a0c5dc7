#pragma once
// Pictures of text drawn in the test with Debian's Noto CJK and DejaVu fonts, as a screen shows
// them, and the character error rate of what was read from them.
#include "core/Languages.h"

#include <QColor>
#include <QImage>
#include <QString>
#include <QStringList>

namespace quillo::test {

struct TextSample {
    Language language;
    const char* code;
    const char* family;
    QStringList lines;
};

const std::vector<TextSample>& TextSamples();

enum class Ground { Light, Dark };

// `lines` in `family` at `pixelSize`, one under the other (or top to bottom in one column when
// `vertical`), on a plain ground with a margin of about a line.
QImage DrawText(const QStringList& lines, const QString& family, int pixelSize, Ground ground, bool vertical = false);

// Edit distance in characters over the length of `expected`, after blanks are set aside where
// the language writes none and runs of blanks counted as one elsewhere.
double CharacterErrorRate(const QString& expected, const QString& read, bool withoutSpaces);

} // namespace quillo::test
