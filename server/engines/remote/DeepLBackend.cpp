#include "server/engines/remote/DeepLBackend.h"

#include "server/base/Log.h"
#include "server/base/TextTools.h"
#include "server/engines/remote/RemoteApi.h"
#include "server/engines/remote/TextPieces.h"
#include "server/engines/remote/Topics.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <array>

namespace quillo::server {

namespace {

constexpr size_t kPieceBytes = 4000;

struct CodePair {
    std::string_view ours, source, target;
};

// English and Portuguese are asked for as DeepL requires of a target: in a regional variant;
// the program's Portuguese is Brazil's.
constexpr std::array<CodePair, 13> kCodes{{
    {"zh", "ZH", "ZH-HANS"}, {"zt", "ZH", "ZH-HANT"}, {"en", "EN", "EN-US"}, {"nl", "NL", "NL"},
    {"fr", "FR", "FR"},      {"de", "DE", "DE"},      {"el", "EL", "EL"},    {"it", "IT", "IT"},
    {"ja", "JA", "JA"},      {"ko", "KO", "KO"},      {"pt", "PT", "PT-BR"}, {"ru", "RU", "RU"},
    {"es", "ES", "ES"},
}};

const CodePair* find(std::string_view code)
{
    for (const CodePair& pair : kCodes) {
        if (pair.ours == code)
            return &pair;
    }
    return nullptr;
}

QString qs(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

DeepLBackend::DeepLBackend(DeepLOptions options) : options_(std::move(options))
{
    std::string host = options_.url.empty() ? defaultHost(options_.key) : options_.url;
    while (!host.empty() && host.back() == '/')
        host.pop_back();
    if (host.ends_with("/v2"))
        host.resize(host.size() - 3);
    endpoint_ = host + "/v2/translate";
    glossaries_ = std::make_unique<DeepLGlossaries>(host, options_.key);
}

std::string DeepLBackend::defaultHost(const std::string& key)
{
    return key.ends_with(":fx") ? "https://api-free.deepl.com" : "https://api.deepl.com";
}

std::string_view DeepLBackend::sourceCode(std::string_view code)
{
    const CodePair* pair = find(code);
    return pair ? pair->source : std::string_view();
}

std::string_view DeepLBackend::targetCode(std::string_view code)
{
    const CodePair* pair = find(code);
    return pair ? pair->target : std::string_view();
}

bool DeepLBackend::covers(std::string_view source, std::string_view target) const
{
    // Between the two Chinese scripts DeepL has only one source language and nothing to do.
    return !sourceCode(source).empty() && !targetCode(target).empty()
        && (source == target || sourceCode(source) != sourceCode(target));
}

BackendResult DeepLBackend::translate(const TranslationRequest& request)
{
    if (request.source == request.target)
        return {true, request.text, {}};
    const std::vector<TextPiece> pieces = SplitIntoPieces(request.text, kPieceBytes);
    QJsonArray texts;
    for (const TextPiece& piece : pieces) {
        if (!piece.text.empty())
            texts.append(qs(piece.text));
    }
    if (texts.isEmpty())
        return {true, request.text, {}};
    QJsonObject body{{QStringLiteral("text"), texts},
                     {QStringLiteral("source_lang"), qs(sourceCode(request.source->code))},
                     {QStringLiteral("target_lang"), qs(targetCode(request.target->code))}};
    if (const std::string_view domain = TopicDomain(request.topic); !domain.empty())
        body.insert(QStringLiteral("context"), qs("The text is about " + std::string(domain) + "."));

    const Deadline deadline = std::chrono::steady_clock::now() + options_.budget;
    // DeepL's glossaries name languages without a script or region: "zh", "en", "pt".
    const std::string glossarySource = AsciiLowerCase(std::string(sourceCode(request.source->code)));
    const std::string glossaryTarget = AsciiLowerCase(std::string(sourceCode(request.target->code)));
    const auto useGlossary = [&] {
        body.remove(QStringLiteral("glossary_id"));
        if (request.glossary.pair.empty())
            return std::string();
        std::string error;
        const std::string id = glossaries_->idFor(glossarySource, glossaryTarget, request.glossary.pair, deadline, error);
        if (!id.empty())
            body.insert(QStringLiteral("glossary_id"), qs(id));
        else if (!error.empty())
            LogWarning("DeepL glossary: " + Redacted(error, options_.key) + "; translating without it");
        return id;
    };
    const ApiIdentity who{"DeepL", "QUILLO_DEEPL_KEY", options_.key};
    const auto send = [&] {
        const ApiRequest call{endpoint_,
                              {"Content-Type: application/json", "Authorization: DeepL-Auth-Key " + options_.key},
                              QJsonDocument(body).toJson(QJsonDocument::Compact).toStdString()};
        return CallApiAllowingOneRetry(call, deadline);
    };
    const std::string glossaryId = useGlossary();
    ApiReply reply = send();
    // A glossary deleted behind our back (by another server with the key): made again, asked once more.
    if (!glossaryId.empty() && reply.answered && reply.status == 404) {
        glossaries_->forget(glossaryId);
        useGlossary();
        reply = send();
    }
    glossaries_->tidy(deadline);
    if (!reply.answered || reply.status != 200)
        return ApiFailure(reply, who);
    const QJsonArray translations = QJsonDocument::fromJson(QByteArray::fromStdString(reply.body))
                                        .object()
                                        .value(u"translations")
                                        .toArray();
    if (translations.size() != texts.size())
        return UnreadableReply(reply, who, "translations do not match the texts sent");
    std::string result;
    qsizetype next = 0;
    for (const TextPiece& piece : pieces) {
        if (!piece.text.empty()) {
            const QJsonValue text = translations.at(next++).toObject().value(u"text");
            if (!text.isString())
                return UnreadableReply(reply, who, "translation without text");
            result += text.toString().toStdString();
        }
        result += piece.gap;
    }
    return {true, std::move(result), {}};
}

} // namespace quillo::server
