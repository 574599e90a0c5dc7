#include "server/engines/remote/ChatCompletionBackend.h"

#include "server/engines/remote/ChatStream.h"
#include "server/engines/remote/ModelReply.h"
#include "server/engines/remote/RemoteApi.h"
#include "server/engines/remote/TextPieces.h"
#include "server/engines/remote/Topics.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace quillo::server {

namespace {

QString qs(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string requestBody(const ChatCompletionOptions& options,
                        const std::vector<std::pair<std::string, std::string>>& roles, bool stream)
{
    QJsonArray messages;
    for (const auto& [role, content] : roles)
        messages.append(QJsonObject{{QStringLiteral("role"), qs(role)}, {QStringLiteral("content"), qs(content)}});
    QJsonObject body{{QStringLiteral("model"), qs(options.model)},
                     {QStringLiteral("messages"), messages},
                     {QStringLiteral("temperature"), 0},
                     {QStringLiteral("stream"), stream}};
    if (options.askNotToReason)
        body.insert(QStringLiteral("chat_template_kwargs"), QJsonObject{{QStringLiteral("enable_thinking"), false}});
    return QJsonDocument(body).toJson(QJsonDocument::Compact).toStdString();
}

void replaceAll(std::string& text, std::string_view placeholder, std::string_view value)
{
    for (size_t at = text.find(placeholder); at != std::string::npos; at = text.find(placeholder, at + value.size()))
        text.replace(at, placeholder.size(), value);
}

// choices[0].message.content, or nothing when the reply has another shape.
std::optional<std::string> replyContent(const std::string& body)
{
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(body));
    const QJsonArray choices = document.object().value(u"choices").toArray();
    if (choices.isEmpty())
        return std::nullopt;
    const QJsonValue content = choices.first().toObject().value(u"message").toObject().value(u"content");
    if (!content.isString())
        return std::nullopt;
    return content.toString().toStdString();
}

} // namespace

ChatCompletionBackend::ChatCompletionBackend(ChatCompletionOptions options) : options_(std::move(options))
{
    while (!options_.baseUrl.empty() && options_.baseUrl.back() == '/')
        options_.baseUrl.pop_back();
}

bool ChatCompletionBackend::covers(std::string_view, std::string_view) const
{
    return true;
}

std::string ChatCompletionBackend::systemPrompt(const TranslationRequest& request)
{
    std::string prompt = "You are a translation engine. Translate the user's text from "
        + std::string(request.source->english) + " into " + std::string(request.target->english) + ".";
    if (const std::string_view domain = TopicDomain(request.topic); !domain.empty())
        prompt += " The text is about " + std::string(domain) + ": use the terms of that field.";
    prompt += " Reply with the translation alone: no explanation, no notes, no quotation marks around"
              " it. Keep every line break where it is.";
    // The user's terms that this text holds, so that the model is not told of the others.
    if (const std::string terms = GlossaryPromptLines(TermsIn(request.text, request.glossary.present)); !terms.empty())
        prompt += "\n" + terms;
    return prompt;
}

std::vector<std::pair<std::string, std::string>> ChatCompletionBackend::messages(const TranslationRequest& request,
                                                                                 const std::string& text) const
{
    if (options_.promptTemplate.empty())
        return {{"system", systemPrompt(request)}, {"user", text}};
    std::string prompt = options_.promptTemplate;
    const bool holdsText = prompt.find("{text}") != std::string::npos;
    replaceAll(prompt, "{source}", request.source->english);
    replaceAll(prompt, "{target}", request.target->english);
    if (!holdsText)
        return {{"system", prompt}, {"user", text}};
    // The text goes in last, so that braces in it are never read as placeholders.
    replaceAll(prompt, "{text}", text);
    return {{"user", prompt}};
}

bool ChatCompletionBackend::onThisMachine(const std::string& url)
{
    const size_t scheme = url.find("://");
    std::string_view host = std::string_view(url).substr(scheme == std::string::npos ? 0 : scheme + 3);
    host = host.substr(0, host.find('/'));
    if (host.starts_with("["))
        return host.starts_with("[::1]");
    host = host.substr(0, host.find(':'));
    return host == "localhost" || host.starts_with("127.");
}

BackendResult ChatCompletionBackend::translate(const TranslationRequest& request)
{
    return run(request, nullptr);
}

BackendResult ChatCompletionBackend::translateInPieces(const TranslationRequest& request, const PieceSink& onPiece)
{
    return run(request, &onPiece);
}

BackendResult ChatCompletionBackend::run(const TranslationRequest& request, const PieceSink* onPiece)
{
    if (request.source == request.target) {
        if (onPiece)
            (*onPiece)(request.text);
        return {true, request.text, {}};
    }
    const Deadline deadline = std::chrono::steady_clock::now() + options_.budget;
    const ApiIdentity who{"大模型翻译服务", options_.id == "llm" ? "QUILLO_LLM_KEY" : "[" + options_.id + "] key",
                          options_.key};
    ApiRequest call{options_.baseUrl + "/chat/completions", {"Content-Type: application/json"}, {}};
    if (!options_.key.empty())
        call.headers.push_back("Authorization: Bearer " + options_.key);

    std::string translation;
    for (const TextPiece& piece : SplitIntoPieces(request.text, options_.pieceBytes)) {
        if (!piece.text.empty()) {
            ChatStream stream;
            ReasoningFilter shown;
            call.body = requestBody(options_, messages(request, piece.text), onPiece != nullptr);
            if (onPiece)
                call.onBody = [&stream, &shown, onPiece](std::string_view block) {
                    if (const std::string fresh = shown.feed(stream.feed(block)); !fresh.empty())
                        (*onPiece)(fresh);
                };
            const ApiReply reply = CallApiAllowingOneRetry(call, deadline);
            if (!reply.answered || reply.status != 200)
                return ApiFailure(reply, who);
            // A server that ignores "stream" answers in one JSON object, handed on whole.
            auto content = onPiece && stream.finished() ? std::optional<std::string>(stream.text()) : replyContent(reply.body);
            if (!content)
                return UnreadableReply(reply, who, onPiece ? "no [DONE] and no choices[0].message.content" : "no choices[0].message.content");
            if (onPiece) {
                const std::string rest = stream.finished() ? shown.finish() : shown.feed(*content) + shown.finish();
                if (!rest.empty())
                    (*onPiece)(rest);
            }
            translation += CleanModelReply(*content, piece.text);
        }
        translation += piece.gap;
        if (onPiece && !piece.gap.empty())
            (*onPiece)(piece.gap);
    }
    return {true, std::move(translation), {}};
}

} // namespace quillo::server
