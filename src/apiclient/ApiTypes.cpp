#include "apiclient/ApiTypes.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <array>

namespace quillo {

namespace {

// In the order of the language list.
constexpr std::array<const char*, 13> kApiCodes{"zh-Hans", "zh-Hant", "en", "nl", "fr", "de", "el",
                                                "it",      "ja",      "ko", "pt", "ru", "es"};

} // namespace

bool EngineInfo::serves(const QString& source, const QString& target) const
{
    return std::any_of(pairs.begin(), pairs.end(),
                       [&](const auto& pair) { return pair.first == source && pair.second == target; });
}

QString ApiLanguageCode(int index)
{
    if (index < 0 || index >= int(kApiCodes.size()))
        return {};
    return QString::fromLatin1(kApiCodes[size_t(index)]);
}

int LanguageOfApiCode(const QString& code)
{
    if (code == QLatin1String("zh"))
        return 0;
    if (code == QLatin1String("zt"))
        return 1;
    for (size_t i = 0; i < kApiCodes.size(); ++i)
        if (code == QLatin1String(kApiCodes[i]))
            return int(i);
    return -1;
}

std::optional<std::vector<EngineInfo>> ParseEngines(const QByteArray& json)
{
    const QJsonDocument document = QJsonDocument::fromJson(json);
    if (!document.isArray())
        return std::nullopt;
    std::vector<EngineInfo> engines;
    for (const QJsonValue& value : document.array()) {
        const QJsonObject object = value.toObject();
        EngineInfo engine{object.value(u"id").toString(), object.value(u"name").toString(),
                          object.value(u"kind").toString(), object.value(u"online").toBool(), {}};
        if (engine.id.isEmpty())
            return std::nullopt;
        for (const QJsonValue& pair : object.value(u"pairs").toArray())
            engine.pairs.append({pair.toArray().at(0).toString(), pair.toArray().at(1).toString()});
        engines.push_back(std::move(engine));
    }
    return engines;
}

std::optional<EngineResult> ParseEngineEvent(const QByteArray& json)
{
    const QJsonObject object = QJsonDocument::fromJson(json).object();
    if (!object.value(u"engine").isString())
        return std::nullopt;
    QStringList missing;
    for (const QJsonValue& term : object.value(u"missingTerms").toArray())
        missing.append(term.toString());
    return EngineResult{object.value(u"engine").toString(), object.value(u"text").toString(),
                        object.value(u"error").toString(), missing};
}

QString ErrorOfBody(const QByteArray& body)
{
    const QJsonObject object = QJsonDocument::fromJson(body).object();
    if (object.value(u"error").isString())
        return object.value(u"error").toString();
    return body.size() < 300 ? QString::fromUtf8(body).trimmed() : QString();
}

} // namespace quillo
