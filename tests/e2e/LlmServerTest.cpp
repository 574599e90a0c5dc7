// The program's default pair (简体中文 → 英语) through both servers against quillo-server with a
// chat model behind it: the stand-in's translation reaches the result box, and the topic chosen
// in the window reaches the model's instructions.
#include "EngineFixture.h"
#include "QuilloServerProcess.h"

#include "../server/ApiStandIns.h"

#include <QTemporaryFile>

using namespace quillo;
using namespace quillo::test;
using quillo::server::testing::Answer;
using quillo::server::testing::ChatStandIn;

namespace {

// The chat model's address as a deployer gives it: in the environment quillo-server starts with.
class LlmEnvironment
{
public:
    explicit LlmEnvironment(const ChatStandIn& standIn)
    {
        qputenv("QUILLO_LLM_URL", QByteArray::fromStdString(standIn.base()));
        qputenv("QUILLO_LLM_MODEL", "stand-in");
    }
    ~LlmEnvironment()
    {
        qunsetenv("QUILLO_LLM_URL");
        qunsetenv("QUILLO_LLM_MODEL");
    }
};

QString lastSystemMessage(ChatStandIn& standIn)
{
    const auto requests = standIn.requests();
    if (requests.empty())
        return {};
    return requests.back().body.value(u"messages").toArray().first().toObject().value(u"content").toString();
}

} // namespace

TEST_F(EngineTest, TheDefaultPairIsTranslatedByTheChatModelThroughBothServers)
{
    ChatStandIn standIn;
    LlmEnvironment environment(standIn);
    FreshQuilloServer server(QStringLiteral("llm"));
    ASSERT_TRUE(server.listening()) << server.failure().toStdString();
    auto form = showFormFor(server.base());

    form->topicList->setCurrentIndex(kComputing);
    translate(*form, WorldLingo, Simplified, English, QStringLiteral("数据库"));
    EXPECT_EQ(form->resultText->toPlainText().trimmed(), QStringLiteral("[stand-in] 数据库"));
    const QString withTopic = lastSystemMessage(standIn);
    EXPECT_TRUE(withTopic.contains(u"from Simplified Chinese into English")) << withTopic.toStdString();
    EXPECT_TRUE(withTopic.contains(u"computing")) << withTopic.toStdString();

    translate(*form, BabelFish, Simplified, English, QStringLiteral("你好，世界"));
    EXPECT_EQ(form->resultText->toPlainText(), QStringLiteral("[stand-in] 你好，世界"));
    EXPECT_TRUE(lastSystemMessage(standIn).contains(u"from Simplified Chinese into English"));
    EXPECT_TRUE(idle(*form));
}

TEST_F(EngineTest, WithoutAnEngineAWordGetsItsDictionaryEntryAndASentenceTheHint)
{
    FreshQuilloServer server(QStringLiteral("dictionary"));
    ASSERT_TRUE(server.listening()) << server.failure().toStdString();
    auto form = showFormFor(server.base());

    for (int engine : {WorldLingo, BabelFish}) {
        translate(*form, engine, Simplified, English, QStringLiteral("苹果"));
        const QString entry = form->resultText->toPlainText();
        EXPECT_TRUE(entry.startsWith(QStringLiteral("【CC-CEDICT 词典】"))) << entry.toStdString();
        EXPECT_TRUE(entry.contains(QStringLiteral("苹果（蘋果） [píng guǒ]"))) << entry.toStdString();
        EXPECT_TRUE(entry.contains(QStringLiteral("1. apple"))) << entry.toStdString();

        translate(*form, engine, Simplified, English, QStringLiteral("今天天气很好。"));
        const QString sentence = form->resultText->toPlainText();
        EXPECT_TRUE(sentence.startsWith(QStringLiteral("本服务器没有从简体中文翻译到英语的翻译引擎。"))) << sentence.toStdString();
        EXPECT_TRUE(sentence.contains(QStringLiteral("QUILLO_LLM_URL"))) << sentence.toStdString();
    }
    EXPECT_TRUE(idle(*form));
}

TEST_F(EngineTest, AnEnginesFailureIsToldInTheServersOwnSentenceAndEachKindInItsOwn)
{
    ChatStandIn standIn;
    LlmEnvironment environment(standIn);
    QTemporaryFile settings;
    ASSERT_TRUE(settings.open());
    settings.write("[llm]\ntimeout = 1\n");
    settings.flush();
    FreshQuilloServer server(QStringLiteral("llm"), {QStringLiteral("--config"), settings.fileName()});
    ASSERT_TRUE(server.listening()) << server.failure().toStdString();
    auto form = showFormFor(server.base());

    const struct {
        Answer answer;
        QString sentence;
    } cases[] = {
        {Answer::Unauthorized, QStringLiteral("大模型翻译服务拒绝了服务器的密钥（HTTP 401），请检查 QUILLO_LLM_KEY。")},
        {Answer::ServerError, QStringLiteral("大模型翻译服务出错（HTTP 500），本次翻译没有完成，请稍后再试。")},
        {Answer::RateLimited, QStringLiteral("大模型翻译服务暂时不接受更多请求（请求过于频繁），请稍后再试。")},
        {Answer::Stall, QStringLiteral("大模型翻译服务没有在限定时间内应答，本次翻译没有完成，请稍后再试。")},
    };
    for (const auto& c : cases) {
        standIn.answer = c.answer;
        for (int engine : {WorldLingo, BabelFish}) {
            SCOPED_TRACE(testing::Message() << c.sentence.toStdString() << ", engine " << engine);
            BoxAnswer answer;
            translate(*form, engine, Simplified, English, QStringLiteral("你好"));
            EXPECT_EQ(answer.texts, QStringList{c.sentence});
            EXPECT_TRUE(idle(*form));
        }
    }
}
