#pragma once
// The languages of a dictionary, read from names: freedict's file names ("freedict-deu-eng"), and
// the folders users drop StarDict dictionaries in ("dictionaries/en-zh/..."). Answered in our
// codes, the language list's ("de", "en", "zh", "zt", ...); a language we do not list keeps the
// code it was given.

#include <QString>

#include <optional>
#include <utility>

namespace quillo::dictformats {

// Our code for an ISO 639-1 or 639-3 code, or for one of ours.
QString ourLanguageCode(const QString& code);

// The source and target language a name ends with ("xxx-yyy" or "xx-yy"); nothing when it does not.
std::optional<std::pair<QString, QString>> languagesFromName(const QString& name);

} // namespace quillo::dictformats
