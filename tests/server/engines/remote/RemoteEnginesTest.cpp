// The chat-model and DeepL engines against loopback stand-ins of their APIs: the bytes that
// matter in each request, and what each documented failure becomes for the user.

#include "ApiStandIns.h"

#include "server/engines/remote/ChatCompletionBackend.h"
#include "server/engines/remote/DeepLBackend.h"
#include "server/engines/TranslationService.h"

using namespace quillo::server;
using namespace quillo::server::testing;

namespace {

const std::string kKey = "sk-secret-1234";

TranslationRequest request(const std::string& text, const char* source, const char* target, std::string topic = {})
{
    return {text, LanguageByCode(source), LanguageByCode(target), target, std::move(topic)};
}

ChatCompletionOptions chatOptions(const ChatStandIn& standIn, std::chrono::milliseconds budget = std::chrono::seconds(10))
{
    return {standIn.base(), kKey, "test-model", budget};
}

QString systemMessage(const ArrivedRequest& arrived)
{
    return arrived.body.value(u"messages").toArray().first().toObject().value(u"content").toString();
}

} // namespace

TEST(ChatCompletionBackendTest, SendsTheDocumentedRequest)
{
    ChatStandIn standIn;
    ChatCompletionBackend backend(chatOptions(standIn));
    const BackendResult result = backend.translate(request("数据库", "zh", "en", "gl6"));
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.text, "[test-model] 数据库");

    const auto arrived = standIn.requests();
    ASSERT_EQ(arrived.size(), 1u);
    EXPECT_EQ(arrived[0].path, "/v1/chat/completions");
    EXPECT_EQ(arrived[0].authorization, "Bearer " + kKey);
    EXPECT_EQ(arrived[0].contentType, "application/json");
    const QJsonObject& body = arrived[0].body;
    EXPECT_EQ(body.value(u"model").toString(), QStringLiteral("test-model"));
    EXPECT_EQ(body.value(u"temperature").toDouble(-1), 0.0);
    EXPECT_TRUE(body.value(u"stream").isBool() && !body.value(u"stream").toBool());
    const QJsonArray messages = body.value(u"messages").toArray();
    ASSERT_EQ(messages.size(), 2);
    EXPECT_EQ(messages[0].toObject().value(u"role").toString(), QStringLiteral("system"));
    EXPECT_EQ(messages[1].toObject().value(u"role").toString(), QStringLiteral("user"));
    EXPECT_EQ(messages[1].toObject().value(u"content").toString(), QStringLiteral("数据库"));
    const QString system = systemMessage(arrived[0]);
    for (const char* words : {"from Simplified Chinese into English", "computing", "line break"})
        EXPECT_TRUE(system.contains(QLatin1String(words))) << system.toStdString();
}

TEST(ChatCompletionBackendTest, GeneralTopicAndNoKeyAddNothing)
{
    ChatStandIn standIn;
    ChatCompletionBackend backend({standIn.base(), "", "m"});
    ASSERT_TRUE(backend.translate(request("Hallo", "de", "pt", "gl1")).ok);
    const auto arrived = standIn.requests();
    ASSERT_EQ(arrived.size(), 1u);
    EXPECT_EQ(arrived[0].authorization, "");
    EXPECT_TRUE(systemMessage(arrived[0]).contains(u"from German into Brazilian Portuguese"));
    EXPECT_FALSE(systemMessage(arrived[0]).contains(u"about"));
}

TEST(ChatCompletionBackendTest, LongTextsGoInPiecesInOrderWithTheirLineBreaks)
{
    ChatStandIn standIn;
    ChatCompletionOptions options = chatOptions(standIn);
    options.pieceBytes = 21;
    ChatCompletionBackend backend(options);
    const BackendResult result = backend.translate(request("first paragraph\n\nsecond one\nthird line\n", "en", "fr"));
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.text, "[test-model] first paragraph\n\n[test-model] second one\nthird line\n");
    EXPECT_EQ(standIn.requests().size(), 2u);
}

TEST(ChatCompletionBackendTest, EachFailureHasItsOutcome)
{
    struct Case {
        Answer answer;
        std::string retryAfter;
        bool ok, tryNext;
        const char* sentencePart;
        size_t requests;
    };
    const std::vector<Case> cases{
        {Answer::Unauthorized, "1", false, false, "密钥", 1},
        {Answer::RateLimitedOnce, "1", true, false, "", 2},
        {Answer::RateLimited, "1", false, false, "频繁", 2},
        {Answer::RateLimited, "3600", false, false, "频繁", 1}, // beyond the request's budget
        {Answer::ServerError, "1", false, true, "HTTP 500", 1},
        {Answer::Stall, "1", false, true, "限定时间", 1},
        {Answer::Malformed, "1", false, true, "无法识别", 1},
        {Answer::EmptyChoices, "1", false, true, "无法识别", 1},
        {Answer::Oversized, "1", false, true, "过长", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.answer));
        ChatStandIn standIn;
        standIn.answer = c.answer;
        standIn.retryAfter = c.retryAfter;
        ChatCompletionBackend backend(chatOptions(standIn, std::chrono::milliseconds(2500)));
        const BackendResult result = backend.translate(request("text", "en", "zh"));
        EXPECT_EQ(result.ok, c.ok) << result.error;
        EXPECT_EQ(result.tryNext, c.tryNext);
        EXPECT_NE(result.userMessage.find(c.sentencePart), std::string::npos) << result.userMessage;
        EXPECT_EQ(result.userMessage.find(kKey), std::string::npos);
        EXPECT_EQ(result.error.find(kKey), std::string::npos) << result.error;
        standIn.releaseStalls();
        EXPECT_EQ(standIn.requests().size(), c.requests);
    }
}

TEST(DeepLBackendTest, SendsTheDocumentedRequestWithDeepLsCodes)
{
    DeepLStandIn standIn;
    DeepLBackend backend({"abc:fx", standIn.base() + "/"});
    const BackendResult result = backend.translate(request("心电图\n\n血压", "zt", "pt", "gl15"));
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.text, "[PT-BR] 心电图\n\n血压");

    const auto arrived = standIn.requests();
    ASSERT_EQ(arrived.size(), 1u);
    EXPECT_EQ(arrived[0].path, "/v2/translate");
    EXPECT_EQ(arrived[0].authorization, "DeepL-Auth-Key abc:fx");
    EXPECT_EQ(arrived[0].contentType, "application/json");
    EXPECT_EQ(arrived[0].body.value(u"source_lang").toString(), QStringLiteral("ZH"));
    EXPECT_EQ(arrived[0].body.value(u"target_lang").toString(), QStringLiteral("PT-BR"));
    EXPECT_EQ(arrived[0].body.value(u"text").toArray(), (QJsonArray{QStringLiteral("心电图\n\n血压")}));
    EXPECT_TRUE(arrived[0].body.value(u"context").toString().contains(u"medicine"));

    EXPECT_EQ(DeepLBackend::defaultHost("abc:fx"), "https://api-free.deepl.com");
    EXPECT_EQ(DeepLBackend::defaultHost("abc"), "https://api.deepl.com");
    const std::vector<std::pair<std::string, std::string>> targets{
        {"zh", "ZH-HANS"}, {"zt", "ZH-HANT"}, {"en", "EN-US"}, {"el", "EL"}, {"ko", "KO"}, {"nl", "NL"}};
    for (const auto& [ours, theirs] : targets)
        EXPECT_EQ(DeepLBackend::targetCode(ours), theirs);
    EXPECT_TRUE(backend.covers("ja", "ru"));
    EXPECT_FALSE(backend.covers("zh", "zt")); // one Chinese source language: left to other engines
}

TEST(DeepLBackendTest, EachFailureHasItsOutcome)
{
    const std::vector<std::tuple<Answer, bool, const char*>> cases{
        {Answer::Unauthorized, false, "QUILLO_DEEPL_KEY"},
        {Answer::ServerError, true, "HTTP 500"},
        {Answer::Malformed, true, "无法识别"},
    };
    for (const auto& [answer, tryNext, sentencePart] : cases) {
        DeepLStandIn standIn;
        standIn.answer = answer;
        DeepLBackend backend({kKey, standIn.base()});
        const BackendResult result = backend.translate(request("Hello", "en", "de"));
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.tryNext, tryNext);
        EXPECT_NE(result.userMessage.find(sentencePart), std::string::npos) << result.userMessage;
        EXPECT_EQ(result.error.find(kKey), std::string::npos) << result.error;
    }
}

TEST(TranslationChainTest, FailuresOnTheEnginesSideFallThroughAndRefusalsDoNot)
{
    DeepLStandIn deepl;
    ChatStandIn chat;
    auto chain = [&] {
        std::vector<std::unique_ptr<TranslationBackend>> backends;
        backends.push_back(std::make_unique<DeepLBackend>(DeepLOptions{kKey, deepl.base()}));
        backends.push_back(std::make_unique<ChatCompletionBackend>(chatOptions(chat)));
        return TranslationService(std::move(backends));
    };
    EXPECT_EQ(chain().translate(request("Hi", "en", "de")).text, "[DE] Hi");
    EXPECT_EQ(chain().translate(request("你好", "zh", "zt")).text, "[test-model] 你好"); // DeepL lacks it

    deepl.answer = Answer::ServerError;
    EXPECT_EQ(chain().translate(request("Hi", "en", "de")).text, "[test-model] Hi");

    chat.answer = Answer::ServerError;
    const Translation none = chain().translate(request("Hi", "en", "de"));
    EXPECT_EQ(none.outcome, Translation::Outcome::Failed);
    EXPECT_NE(none.text.find("HTTP 500"), std::string::npos);

    deepl.answer = Answer::Unauthorized;
    chat.answer = Answer::Translate;
    const Translation refused = chain().translate(request("Hi", "en", "de"));
    EXPECT_EQ(refused.outcome, Translation::Outcome::Failed);
    EXPECT_NE(refused.text.find("QUILLO_DEEPL_KEY"), std::string::npos);

    deepl.site.stop(); // nothing listens there any more
    EXPECT_EQ(chain().translate(request("Hi", "en", "de")).text, "[test-model] Hi");
}

TEST(TranslationChainTest, ManyTextsFallThroughTogetherInTheirOrder)
{
    DeepLStandIn deepl;
    ChatStandIn chat;
    std::vector<std::unique_ptr<TranslationBackend>> backends;
    backends.push_back(std::make_unique<DeepLBackend>(DeepLOptions{kKey, deepl.base()}));
    backends.push_back(std::make_unique<ChatCompletionBackend>(chatOptions(chat)));
    const TranslationService chain(std::move(backends));
    auto texts = [&chain] {
        std::vector<std::string> out;
        for (const Translation& t : chain.translateMany(request({}, "en", "de"), {"Hi", "Bye", "Hi"}))
            out.push_back(t.outcome == Translation::Outcome::Translated ? t.text : "failed");
        return out;
    };
    EXPECT_EQ(texts(), (std::vector<std::string>{"[DE] Hi", "[DE] Bye", "[DE] Hi"}));
    deepl.answer = Answer::ServerError; // every text goes on to the next engine
    EXPECT_EQ(texts(), (std::vector<std::string>{"[test-model] Hi", "[test-model] Bye", "[test-model] Hi"}));
    chat.answer = Answer::ServerError;
    EXPECT_EQ(texts(), (std::vector<std::string>{"failed", "failed", "failed"}));
}

// A model that reasons aloud in a stream: the block, its tags cut across pieces, never reaches
// the listener, and the answer after it does, piece by piece.
TEST(ChatCompletionBackendTest, StreamedReasoningNeverReachesTheListener)
{
    LocalSite model;
    model.server().set_keep_alive_max_count(1);
    model.server().Post("/v1/chat/completions", [](const httplib::Request&, httplib::Response& response) {
        response.set_chunked_content_provider("text/event-stream", [](size_t, httplib::DataSink& sink) {
            for (const char* content : {"<thi", "nk>the user wants", " German</th", "ink>\\n\\nGuten", " Morgen"}) {
                const std::string event = std::string("data: {\"choices\":[{\"delta\":{\"content\":\"") + content + "\"}}]}\n\n";
                sink.write(event.data(), event.size());
            }
            sink.write("data: [DONE]\n\n", 14);
            sink.done();
            return true;
        });
    });
    model.start();
    ChatCompletionBackend backend(ChatCompletionOptions{model.url("/v1"), "", "m"});
    std::vector<std::string> pieces;
    const BackendResult result = backend.translateInPieces(request("Good morning", "en", "de"),
                                                           [&pieces](std::string_view piece) { pieces.emplace_back(piece); });
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.text, "Guten Morgen");
    EXPECT_EQ(pieces, (std::vector<std::string>{"Guten", " Morgen"}));
}
