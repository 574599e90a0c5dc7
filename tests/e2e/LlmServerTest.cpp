// The program's default pair (简体中文 → 英语) through both servers against quillo-server with a
// chat model behind it: the stand-in's translation reaches the result box, and the topic chosen
// in the window reaches the model's instructions.
#include "EngineFixture.h"
#include "QuilloServerProcess.h"

#include "../server/ApiStandIns.h"

using namespace quillo;
using namespace quillo::test;
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
