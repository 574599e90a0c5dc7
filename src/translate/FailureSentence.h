#pragma once
// The sentences a translation service puts where the translation would be when it has none to
// give (no engine for the pair, an engine that failed or refused). Shown to the user, they are
// still no translation: nothing keeps, copies or reads them as one.
#include <QString>

namespace quillo {

// Whether text is such a sentence, or one of the program's own failure messages.
bool IsFailureSentence(const QString& text);

} // namespace quillo
