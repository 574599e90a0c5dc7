#include "translate/LanguagePairs.h"

#include "core/Languages.h"

#include <array>
#include <utility>

namespace quillo {

namespace {

// Both Chinese scripts with each other and with English first, then Simplified Chinese with every
// other language, then English with the languages most asked for.
constexpr std::array<std::pair<Language, Language>, kLanguagePairCount> kPairs = {{
    {Simplified, Traditional}, {Traditional, Simplified}, {Simplified, English},  {English, Simplified},
    {Traditional, English},    {English, Traditional},    {Simplified, Dutch},    {Dutch, Simplified},
    {Simplified, French},      {French, Simplified},      {Simplified, German},   {German, Simplified},
    {Simplified, Greek},       {Greek, Simplified},       {Simplified, Italian},  {Italian, Simplified},
    {Simplified, Japanese},    {Japanese, Simplified},    {Simplified, Korean},   {Korean, Simplified},
    {Simplified, Portuguese},  {Portuguese, Simplified},  {Simplified, Russian},  {Russian, Simplified},
    {Simplified, Spanish},     {Spanish, Simplified},     {English, French},      {French, English},
    {English, German},         {German, English},         {English, Japanese},    {Japanese, English},
    {English, Korean},         {Korean, English},         {English, Russian},     {Russian, English},
    {English, Spanish},        {Spanish, English},
}};

} // namespace

QStringList LanguagePairNames()
{
    const QStringList languages = LanguageNames();
    QStringList names;
    names.reserve(kLanguagePairCount);
    for (const auto& [source, target] : kPairs)
        names.append(languages.at(source) + QStringLiteral(" → ") + languages.at(target));
    return names;
}

} // namespace quillo
