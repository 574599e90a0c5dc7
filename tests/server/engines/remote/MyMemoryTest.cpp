// MyMemory against a loopback stand-in of its GET /get: the query it receives, texts over its
// 500-byte limit, and each of its refusals as a sentence of its own.

#include "ApiStandIns.h"

#include "server/engines/remote/MyMemoryBackend.h"

#include <QStringDecoder>

using namespace quillo::server;
using namespace quillo::server::testing;

namespace {

TranslationRequest request(const std::string& text, const char* source, const char* target)
{
    return {text, LanguageByCode(source), LanguageByCode(target), target, {}};
}

MyMemoryOptions options(const MyMemoryStandIn& standIn, std::string email = {},
                        std::chrono::milliseconds budget = std::chrono::seconds(10))
{
    return {standIn.base(), std::move(email), budget};
}

bool validUtf8(const std::string& text)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString decoded = decoder(QByteArray::fromStdString(text));
    return !decoder.hasError();
}

} // namespace

TEST(MyMemoryBackendTest, SendsTheDocumentedQuery)
{
    MyMemoryStandIn standIn;
    MyMemoryBackend backend(options(standIn, "ops@example.org"));
    const BackendResult result = backend.translate(request("今天天气很好。", "zh", "en"));
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.text, "[en] 今天天气很好。");
    ASSERT_EQ(standIn.queries().size(), 1u);
    const auto query = standIn.queries().front();
    EXPECT_EQ(query.q, "今天天气很好。");
    EXPECT_EQ(query.langpair, "zh-CN|en");
    EXPECT_EQ(query.de, "ops@example.org");
    EXPECT_NE(backend.queryUrl("a b", "zt", "ja").find("/get?q=a%20b&langpair=zh-TW%7Cja&de=ops%40example.org"),
              std::string::npos);
    EXPECT_EQ(MyMemoryBackend(options(standIn)).queryUrl("a", "en", "fr").find("de="), std::string::npos);

    EXPECT_TRUE(backend.covers("zh", "en"));
    EXPECT_TRUE(backend.covers("el", "ko"));
    EXPECT_FALSE(backend.covers("zh", "zt")); // nothing between the two scripts
}

TEST(MyMemoryBackendTest, LongTextsGoSentenceBySentenceWithinTheLimit)
{
    MyMemoryStandIn standIn;
    MyMemoryBackend backend(options(standIn));
    std::string text;
    for (int i = 0; i < 40; ++i)
        text += "第" + std::to_string(i) + "句话在这里结束。";
    text += "\n\n" + std::string(700, 'x'); // no sentence end and no blank: cut at the limit
    const BackendResult result = backend.translate(request(text, "zh", "en"));
    ASSERT_TRUE(result.ok) << result.error;
    std::string joined;
    for (const auto& query : standIn.queries()) {
        EXPECT_LE(query.q.size(), MyMemoryBackend::kMaxQueryBytes);
        EXPECT_TRUE(validUtf8(query.q)) << query.q;
        EXPECT_TRUE(query.q.ends_with("。") || query.q.starts_with("x")) << query.q;
        joined += query.q;
    }
    EXPECT_GE(standIn.queries().size(), 4u);
    std::string withoutGap = text;
    withoutGap.erase(withoutGap.find("\n\n"), 2);
    EXPECT_EQ(joined, withoutGap);
    EXPECT_NE(result.text.find("。\n\n[en] x"), std::string::npos);
}

TEST(MyMemoryBackendTest, EachRefusalHasASentenceOfItsOwn)
{
    struct Case {
        Answer answer;
        bool quotaUnder200, refusePair;
        std::string email;
        bool tryNext, rateLimited;
        const char* sentencePart;
    };
    const std::vector<Case> cases{
        {Answer::RateLimited, false, false, "", false, true, "免费额度已经用完，请明天再试；在设置中填写联系邮箱"},
        {Answer::RateLimited, true, false, "ops@example.org", false, true, "免费额度已经用完，请明天再试，或改用"},
        {Answer::ServerError, false, false, "", true, false, "MyMemory 翻译服务出错（HTTP 500）"},
        {Answer::Stall, false, false, "", true, false, "MyMemory 翻译服务没有在限定时间内应答"},
        {Answer::Translate, false, true, "", false, false, "MyMemory 翻译服务拒绝了这次请求（403）"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sentencePart);
        MyMemoryStandIn standIn;
        standIn.answer = c.answer;
        standIn.quotaUnder200 = c.quotaUnder200;
        standIn.refusePair = c.refusePair;
        MyMemoryBackend backend(options(standIn, c.email, std::chrono::milliseconds(1500)));
        const BackendResult result = backend.translate(request("你好。", "zh", "en"));
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.tryNext, c.tryNext);
        EXPECT_EQ(result.rateLimited, c.rateLimited);
        EXPECT_NE(result.userMessage.find(c.sentencePart), std::string::npos) << result.userMessage;
        EXPECT_EQ(result.userMessage.find("ops@example.org"), std::string::npos);
        standIn.releaseStalls();
    }
}
