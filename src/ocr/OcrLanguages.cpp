#include "ocr/OcrLanguages.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <array>

namespace quillo {

namespace {

struct ModelEntry {
    const char* model;
    const char* verticalModel; // null where Tesseract has no model for columns
};

// In the order of Language.
constexpr std::array<ModelEntry, kLanguageCount> kModels{{
    {"chi_sim", "chi_sim_vert"},
    {"chi_tra", "chi_tra_vert"},
    {"eng", nullptr},
    {"nld", nullptr},
    {"fra", nullptr},
    {"deu", nullptr},
    {"ell", nullptr},
    {"ita", nullptr},
    {"jpn", "jpn_vert"},
    {"kor", nullptr},
    {"por", nullptr},
    {"rus", nullptr},
    {"spa", nullptr},
}};

} // namespace

std::vector<Language> DefaultOcrLanguages()
{
    return {Simplified, English};
}

std::variant<std::vector<Language>, OcrError> ParseOcrLanguages(const QString& codes)
{
    std::vector<Language> languages;
    for (const QString& part : codes.split(QLatin1Char(','))) {
        const QByteArray code = part.trimmed().toLatin1();
        int found = -1;
        for (int i = 0; i < kLanguageCount && found < 0; ++i)
            if (!code.isEmpty() && BabelFishCode(i) == code)
                found = i;
        if (found < 0)
            return OcrError{OcrError::UnknownLanguage,
                            QStringLiteral("\"%1\" is not a language code; use zh, zt, en, ja, ko, fr, de, es, "
                                           "it, nl, pt, ru or el")
                                .arg(part.trimmed())};
        if (std::find(languages.begin(), languages.end(), Language(found)) == languages.end())
            languages.push_back(Language(found));
    }
    return languages;
}

QString OcrLanguageCodes(const std::vector<Language>& languages)
{
    QStringList codes;
    for (Language language : languages)
        codes << QString::fromLatin1(BabelFishCode(language));
    return codes.join(QLatin1Char(','));
}

std::optional<QString> OcrModel(Language language, bool vertical)
{
    if (language < 0 || language >= kLanguageCount)
        return std::nullopt;
    const char* name = vertical ? kModels[language].verticalModel : kModels[language].model;
    return name ? std::optional<QString>(QString::fromLatin1(name)) : std::nullopt;
}

bool WritesInColumns(Language language)
{
    return OcrModel(language, true).has_value();
}

bool WritesWithoutSpaces(Language language)
{
    return language == Simplified || language == Traditional || language == Japanese;
}

QString OcrModelPackage(const QString& model)
{
    return QStringLiteral("tesseract-ocr-") + QString(model).replace(QLatin1Char('_'), QLatin1Char('-'));
}

QString OcrDataFolder()
{
    const QString prefix = qEnvironmentVariable("TESSDATA_PREFIX");
    if (!prefix.isEmpty())
        return prefix;
    for (const char* folder : {"/usr/share/tesseract-ocr/5/tessdata", "/usr/share/tesseract-ocr/4.00/tessdata",
                               "/usr/share/tessdata"})
        if (QFileInfo(QString::fromLatin1(folder)).isDir())
            return QString::fromLatin1(folder);
    return QStringLiteral("/usr/share/tesseract-ocr/5/tessdata");
}

std::variant<QString, OcrError> OcrModelSet(const std::vector<Language>& languages, bool vertical,
                                            const QString& dataFolder)
{
    QStringList models;
    for (Language language : languages) {
        const std::optional<QString> model = OcrModel(language, vertical);
        if (!model)
            continue;
        if (!QFileInfo::exists(QDir(dataFolder).filePath(*model + QStringLiteral(".traineddata"))))
            return OcrError{OcrError::MissingLanguage,
                            QStringLiteral("The text recognition data for %1 is not installed; install the "
                                           "Debian package %2")
                                .arg(QStringLiteral("%1 (%2)").arg(QString::fromLatin1(BabelFishCode(language)), LanguageNames().value(language)), OcrModelPackage(*model))};
        models << *model;
    }
    if (models.isEmpty())
        return OcrError{OcrError::UnknownLanguage, QStringLiteral("No language to read the picture in was chosen")};
    return models.join(QLatin1Char('+'));
}

} // namespace quillo
