#pragma once
// The texts the main window writes into its result box by itself: the information text shown at
// start and the help text.
#include <QString>
#include <optional>

namespace quillo {

// "version.txt" beside the program.
QString InformationFilePath();

// The text to show at start: the default text when the file is missing or empty, the notice of
// the file (section "information", key "RegNewInformat") when it has one, nothing otherwise.
std::optional<QString> InformationText(const QString& versionFile);

QString DefaultInformationText();

// The usage help, line by line; the last line is the contact line.
QStringList HelpLines();

} // namespace quillo
