#pragma once
// What quillo-server's open API (v1) says, as the program uses it.
#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace quillo {

struct EngineInfo
{
    QString id;
    QString name;
    QString kind; // "mt", "llm", "dictionary", "online" ...
    bool online = false;
    QList<QPair<QString, QString>> pairs; // API language codes

    bool serves(const QString& source, const QString& target) const;
};

// One engine's answer to a translation: its text, or the sentence of its failure.
struct EngineResult
{
    QString engine;
    QString text;
    QString error;
    // Glossary terms whose translation the engine did not keep.
    QStringList missingTerms;
    bool failed() const { return !error.isEmpty(); }
};

struct ApiFailure
{
    enum Kind { NoApi, Unreachable, Refused, BadReply };
    Kind kind = Unreachable;
    QString message;
};

// The API's code of an entry of the language list ("zh-Hans", "en", ...); empty out of range.
QString ApiLanguageCode(int index);
// The entry of an API code (aliases "zh" and "zt" too); -1 when unknown.
int LanguageOfApiCode(const QString& code);

std::optional<std::vector<EngineInfo>> ParseEngines(const QByteArray& json);
// A delta or done event's data; nothing when it is not one.
std::optional<EngineResult> ParseEngineEvent(const QByteArray& json);
// The "error" of an API error body, else the body itself when short text, else empty.
QString ErrorOfBody(const QByteArray& body);

} // namespace quillo
