#pragma once
// What the program calls itself and where its maker is found: the version every window and the
// update check show, the application title, the web site and the contact address.
#include <QString>

namespace quillo {

// The program's version text, "16".
QString ProgramVersion();

// "Quillo翻译软件": the title of the application, also the caption of custom message boxes.
QString ApplicationTitle();

// The product's web site, shown in messages and opened by the web-site commands.
QString ProductWebSite();

// The maker's contact address used in the help text.
QString ProductEmail();

} // namespace quillo
