#pragma once
// Tesseract answers line by line and puts a blank between every two recognised symbols it
// sees apart, Chinese characters included. The translation wants the text the way its language
// writes it: Chinese and Japanese without blanks between their characters, and a Chinese
// paragraph as one line, except verse, whose short lines are kept.
#include "core/Languages.h"

#include <QString>

#include <vector>

namespace quillo {

QString JoinRecognisedText(const QString& recognised, const std::vector<Language>& languages);

// Characters written without blanks between them: Han, kana, CJK punctuation, full-width forms.
bool IsWrittenWithoutSpaces(char32_t character);

} // namespace quillo
