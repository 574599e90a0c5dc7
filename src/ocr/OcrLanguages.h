#pragma once
// Which Tesseract models read the program's languages, where they are installed, and which
// Debian package brings a missing one.
#include "core/Languages.h"
#include "ocr/OcrError.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <variant>
#include <vector>

namespace quillo {

// What the popup's detection tells apart when nothing was chosen: Chinese and English.
std::vector<Language> DefaultOcrLanguages();

// "zh,en" (the program's codes, comma-separated, blanks allowed) as list entries; an unknown or
// empty code is an UnknownLanguage error naming it.
std::variant<std::vector<Language>, OcrError> ParseOcrLanguages(const QString& codes);
QString OcrLanguageCodes(const std::vector<Language>& languages);

// The model that reads `language` ("chi_sim"); with `vertical`, the model for text in columns
// where the language has one ("chi_sim_vert"), and none where it has not.
std::optional<QString> OcrModel(Language language, bool vertical);
bool WritesInColumns(Language language);
bool WritesWithoutSpaces(Language language);
// "tesseract-ocr-chi-sim-vert" for "chi_sim_vert".
QString OcrModelPackage(const QString& model);

// The folder Tesseract's models are read from: TESSDATA_PREFIX when set, otherwise the first of
// Debian's folders that exists.
QString OcrDataFolder();

// The models for `languages`, joined by "+" the way Tesseract takes them, after checking every
// one is installed in `dataFolder`; the first missing one is a MissingLanguage error naming its
// package.
std::variant<QString, OcrError> OcrModelSet(const std::vector<Language>& languages, bool vertical,
                                            const QString& dataFolder);

} // namespace quillo
