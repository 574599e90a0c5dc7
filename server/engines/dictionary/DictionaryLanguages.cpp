#include "server/engines/dictionary/DictionaryLanguages.h"

#include <QRegularExpression>

namespace quillo::dictformats {

QString ourLanguageCode(const QString& code)
{
    static const std::pair<const char*, const char*> isoToOurs[] = {
        {"eng", "en"}, {"deu", "de"}, {"ger", "de"}, {"fra", "fr"}, {"fre", "fr"}, {"spa", "es"}, {"ita", "it"},
        {"nld", "nl"}, {"dut", "nl"}, {"por", "pt"}, {"rus", "ru"}, {"ell", "el"}, {"gre", "el"}, {"jpn", "ja"},
        {"kor", "ko"}, {"zho", "zh"}, {"chi", "zh"}, {"cmn", "zh"}, {"jp", "ja"}, {"kr", "ko"}, {"cn", "zh"},
        {"tw", "zt"},
    };
    const QString lower = code.toLower();
    for (const auto& [iso, ours] : isoToOurs)
        if (lower == QLatin1String(iso))
            return QString::fromLatin1(ours);
    return lower;
}

std::optional<std::pair<QString, QString>> languagesFromName(const QString& name)
{
    static const QRegularExpression pair(QStringLiteral("(?:^|[^a-zA-Z])([a-zA-Z]{2,3})[-_]([a-zA-Z]{2,3})$"));
    const auto match = pair.match(name);
    if (!match.hasMatch())
        return std::nullopt;
    return std::make_pair(ourLanguageCode(match.captured(1)), ourLanguageCode(match.captured(2)));
}

} // namespace quillo::dictformats
