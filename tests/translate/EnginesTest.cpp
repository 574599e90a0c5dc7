// The two engines' flows through a scripted exchange: the English chain, both WorldLingo stages,
// every kind of failure, abort, and what a request still running does to the next translation.
#include "translate/BabelFishEngine.h"
#include "translate/HttpExchange.h"
#include "translate/WorldLingoEngine.h"

#include <gtest/gtest.h>
#include <memory>

using namespace quillo;
using Failure = TranslationFailure;

namespace {

const QString kBase = QStringLiteral("http://127.0.0.1:9");

// Answers each request from its script at once, nested in get() or post() as the program's
// components do; with the script used up it holds the request until answer().
class ScriptedExchange : public HttpExchange
{
public:
    struct Answer
    {
        Failure failure;
        QByteArray body;
    };
    QList<Answer> script;
    QStringList urls;
    QList<QByteArray> bodies;
    int aborts = 0;

    bool busy() const override { return m_holding; }
    bool get(const QString& url) override { return request(url, "GET"); }
    bool post(const QString& url, const QByteArray& formBody) override { return request(url, formBody); }
    void abort() override
    {
        m_holding = false;
        ++aborts;
    }
    void answer(const Answer& a)
    {
        m_holding = false;
        emit finished(a.failure, a.body);
    }

private:
    bool request(const QString& url, const QByteArray& body)
    {
        if (m_holding)
            return false;
        urls.append(url);
        bodies.append(body);
        if (script.isEmpty())
            m_holding = true;
        else
            answer(script.takeFirst());
        return true;
    }
    bool m_holding = false;
};

ScriptedExchange::Answer page(const QByteArray& translation)
{
    return {Failure::None, "<div id=\"result\"><div style=\"padding:0.6em;\">" + translation + "</div></div>"};
}

// The engines under test with their exchanges, and every outcome they signal.
struct Rig
{
    ScriptedExchange text;
    ScriptedExchange loader;
    ScriptedExchange stageTwo;
    BabelFishEngine babelFish{&text, [] { return kBase; }};
    WorldLingoEngine worldLingo{&loader, &stageTwo, [] { return kBase; }};
    QList<TranslationOutcome> outcomes;

    Rig()
    {
        for (TranslationEngine* engine : {static_cast<TranslationEngine*>(&babelFish),
                                          static_cast<TranslationEngine*>(&worldLingo)})
            QObject::connect(engine, &TranslationEngine::finished,
                             [this](const TranslationOutcome& o) { outcomes.append(o); });
    }
};

QByteArray pairOf(const QByteArray& body)
{
    return body.mid(body.indexOf("&lp=") + 4).split('&').first();
}

} // namespace

TEST(Engines, TheTextServiceGoesThroughEnglishOnlyForPairsItLacks)
{
    struct Case
    {
        QByteArray source, target;
        QList<ScriptedExchange::Answer> replies;
        QList<QByteArray> pairs;
        QString shown;
    };
    const Case cases[] = {
        {"zh", "en", {page("Hello")}, {"zh_en"}, QStringLiteral("Hello")},
        {"fr", "de", {page("Tag")}, {"fr_de"}, QStringLiteral("Tag")},
        {"zh", "fr", {page("Hello & co"), page("Bonjour")}, {"zh_en", "en_fr"}, QStringLiteral("Bonjour")},
        {"de", "nl", {page("Day"), page("Dag")}, {"de_en", "en_nl"}, QStringLiteral("Dag")},
    };
    for (const Case& c : cases) {
        Rig rig;
        rig.text.script = c.replies;
        EXPECT_TRUE(rig.babelFish.start(QStringLiteral("x"), {c.source, c.target, {}}));
        QList<QByteArray> pairs;
        for (const QByteArray& body : rig.text.bodies)
            pairs.append(pairOf(body));
        EXPECT_EQ(pairs, c.pairs) << c.shown.toStdString();
        EXPECT_EQ(rig.text.urls, QStringList(c.pairs.size(), kBase + QStringLiteral("/translate_txt")));
        ASSERT_EQ(rig.outcomes.size(), 1) << "the English text is never a result";
        EXPECT_EQ(rig.outcomes[0].failure, Failure::None);
        EXPECT_EQ(rig.outcomes[0].text, c.shown);
        EXPECT_EQ(rig.babelFish.stage(), BabelFishEngine::Stage::Idle);
    }
    // The chain hands the English text on encoded like the user's own.
    Rig rig;
    rig.text.script = {page("Hello & co"), page("Bonjour")};
    rig.babelFish.start(QStringLiteral("你"), {"zh", "fr", {}});
    EXPECT_TRUE(rig.text.bodies.value(1).contains("trtext=Hello+%26+co&lp=en_fr"));
}

TEST(Engines, WorldLingoPostsItsSecondStageWhereTheLoaderPagePoints)
{
    const QByteArray token(33, 'k');
    struct Case
    {
        QByteArray loader;
        QByteArray reply;
        QString stageTwoUrl;
        QString shown;
    };
    const Case cases[] = {
        {"<a href=\"" + kBase.toUtf8() + "/" + token + "/object?x\">", "one line",
         kBase + QLatin1Char('/') + QString::fromLatin1(token) + QStringLiteral("/texttranslate"),
         QStringLiteral("one line\n")},
        {"<html>no session</html>", "<textarea name=\"wl_result\" rows=\"2\">a &amp; b</textarea>",
         kBase + QStringLiteral("/wl/translate/cn/translation"), QStringLiteral("a & b")},
    };
    for (const Case& c : cases) {
        Rig rig;
        rig.loader.script = {{Failure::None, c.loader}};
        rig.stageTwo.script = {{Failure::None, c.reply}};
        EXPECT_TRUE(rig.worldLingo.start(QStringLiteral("你好"), {"ZH_CN", "EN", "gl6"}));
        EXPECT_EQ(rig.loader.urls, QStringList{kBase + QStringLiteral("/S3704.3-zh/loader")});
        EXPECT_EQ(rig.stageTwo.urls, QStringList{c.stageTwoUrl});
        EXPECT_TRUE(rig.stageTwo.bodies.value(0).contains("ZH_CN")) << "the codes go to stage two";
        ASSERT_EQ(rig.outcomes.size(), 1);
        EXPECT_EQ(rig.outcomes[0].text, c.shown);
        EXPECT_EQ(rig.worldLingo.stage(), WorldLingoEngine::Stage::Idle);
    }
}

TEST(Engines, AFailureOnAnyRequestEndsTheTranslationWithItsKind)
{
    const ScriptedExchange::Answer noResult{Failure::None, "<html>busy</html>"};
    struct Case
    {
        bool worldLingo;
        int failingRequest; // 0 the first, 1 the second (chain or stage two)
        ScriptedExchange::Answer failure;
        Failure kind;
    };
    const Case cases[] = {
        {false, 0, {Failure::ConnectionLost, {}}, Failure::ConnectionLost},
        {false, 1, {Failure::HttpError, {}}, Failure::HttpError},
        {false, 0, noResult, Failure::UnrecognisedReply},
        {false, 1, noResult, Failure::UnrecognisedReply},
        {true, 0, {Failure::HostUnreachable, {}}, Failure::HostUnreachable},
        {true, 1, {Failure::WaitTimeoutExpired, {}}, Failure::WaitTimeoutExpired},
        {true, 1, noResult, Failure::UnrecognisedReply},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "WorldLingo " << c.worldLingo << ", request " << c.failingRequest);
        Rig rig;
        TranslationEngine& engine = c.worldLingo ? static_cast<TranslationEngine&>(rig.worldLingo) : rig.babelFish;
        ScriptedExchange& first = c.worldLingo ? rig.loader : rig.text;
        ScriptedExchange& second = c.worldLingo ? rig.stageTwo : rig.text;
        first.script = {c.failingRequest == 0 ? c.failure : (c.worldLingo ? noResult : page("Hello"))};
        second.script.append(c.failure);
        engine.start(QStringLiteral("x"), {c.worldLingo ? "ZH_CN" : "zh", c.worldLingo ? "FR" : "fr", "gl1"});
        ASSERT_EQ(rig.outcomes.size(), 1);
        EXPECT_EQ(rig.outcomes[0].failure, c.kind);
        EXPECT_TRUE(rig.outcomes[0].text.isEmpty());
        EXPECT_EQ(rig.text.urls.size() + rig.loader.urls.size() + rig.stageTwo.urls.size(), c.failingRequest + 1) << "nothing sent after it";
    }
}

TEST(Engines, AbortEndsARunningTranslationOnceAndTheNextOneStartsAfresh)
{
    Rig rig;
    rig.worldLingo.abort();
    EXPECT_TRUE(rig.outcomes.isEmpty()) << "nothing runs, nothing ends";

    // Held on the chain's first request, then on WorldLingo's second stage.
    rig.babelFish.start(QStringLiteral("x"), {"ja", "ko", {}});
    EXPECT_EQ(rig.babelFish.stage(), BabelFishEngine::Stage::ToEnglish);
    rig.babelFish.abort();
    rig.loader.script = {{Failure::None, "<html></html>"}};
    rig.worldLingo.start(QStringLiteral("x"), {"JA", "KO", "gl1"});
    EXPECT_EQ(rig.worldLingo.stage(), WorldLingoEngine::Stage::Translating);
    rig.worldLingo.abort();
    rig.worldLingo.abort();

    ASSERT_EQ(rig.outcomes.size(), 2);
    EXPECT_EQ(rig.outcomes[0].failure, Failure::Aborted);
    EXPECT_EQ(rig.outcomes[1].failure, Failure::Aborted);
    EXPECT_EQ(rig.text.aborts, 1);
    EXPECT_EQ(rig.loader.aborts, 0) << "the loader had already answered";
    EXPECT_EQ(rig.stageTwo.aborts, 1);
    rig.text.script = {page("Hi")};
    EXPECT_TRUE(rig.babelFish.start(QStringLiteral("x"), {"ja", "en", {}}));
    EXPECT_EQ(rig.outcomes.last().text, QStringLiteral("Hi"));
}

TEST(Engines, WhileTheFirstRequestRunsOnlyALocalConversionGoesAhead)
{
    Rig rig;
    rig.babelFish.start(QStringLiteral("x"), {"en", "fr", {}});
    EXPECT_FALSE(rig.babelFish.start(QStringLiteral("y"), {"en", "de", {}}));
    EXPECT_EQ(rig.text.urls.size(), 1);
    EXPECT_TRUE(rig.outcomes.isEmpty());

    // The Chinese scripts are converted at once, with no request; an empty code keeps the last.
    EXPECT_TRUE(rig.babelFish.start(QStringLiteral("中国"), {"zh", "zt", {}}));
    EXPECT_TRUE(rig.babelFish.start(QStringLiteral("中國"), {"zt", "zh", {}}));
    EXPECT_TRUE(rig.babelFish.start(QStringLiteral("開"), {"", "", {}}));
    EXPECT_EQ(rig.babelFish.codes().source, QByteArray("zt"));
    EXPECT_TRUE(rig.worldLingo.start(QStringLiteral("中国"), {"ZH_CN", "ZH_TW", "gl1"}));
    EXPECT_EQ(rig.text.urls.size(), 1);
    QStringList shown;
    for (const TranslationOutcome& o : rig.outcomes)
        shown.append(o.text);
    EXPECT_EQ(shown, QStringList({QStringLiteral("中國"), QStringLiteral("中国"), QStringLiteral("开"), QStringLiteral("中國")}));

    // The running request still ends its translation.
    rig.text.answer(page("Bonjour"));
    EXPECT_EQ(rig.outcomes.last().text, QStringLiteral("Bonjour"));
}

TEST(Engines, ASecondStageStillRunningAnswersForTheNextTranslationByItsOwnRule)
{
    Rig rig;
    const QByteArray token(33, 't');
    rig.loader.script = {{Failure::None, "\"" + kBase.toUtf8() + "/" + token + "/object\""},
                        {Failure::None, "<html>no session</html>"}};
    rig.worldLingo.start(QStringLiteral("first"), {"ZH_CN", "EN", "gl1"});
    rig.worldLingo.start(QStringLiteral("second"), {"ZH_CN", "EN", "gl1"});
    EXPECT_EQ(rig.stageTwo.urls.size(), 1) << "the second translation's stage two is refused";
    EXPECT_TRUE(rig.outcomes.isEmpty());

    rig.stageTwo.answer({Failure::None, "session reply"});
    ASSERT_EQ(rig.outcomes.size(), 1);
    EXPECT_EQ(rig.outcomes[0].text, QStringLiteral("session reply\n"));
}
