// The request bodies and reply readings of the two text services, without a window.
#include "translate/RequestBodies.h"
#include "translate/ServiceReplies.h"
#include "translate/ServiceRequests.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace quillo;

namespace {

enum Language { Simplified, Traditional, English, Dutch, French, German, Greek, Italian, Japanese, Korean,
                Portuguese, Russian, Spanish };

// The cookies of a head, split at ";%20", by name.
QMap<QByteArray, QByteArray> cookiesOf(const QByteArray& cookies)
{
    QMap<QByteArray, QByteArray> byName;
    for (const QByteArray& cookie : cookies.split(';')) {
        const QByteArray item = cookie.startsWith("%20") ? cookie.mid(3) : cookie;
        const qsizetype equals = item.indexOf('=');
        byName.insert(item.left(equals), item.mid(equals + 1));
    }
    return byName;
}

bool matches(const char* pattern, const QByteArray& value)
{
    return QRegularExpression(QRegularExpression::anchoredPattern(QLatin1String(pattern)))
        .match(QString::fromLatin1(value))
        .hasMatch();
}

const char kUtma[] = R"(\d{9}\.\d{10}\.\d{10}\.\d{10}\.\d{10}\.\d{2})";
const char kUtmz[] = R"(\d{9}\.\d{10}\.\d+\.\d+\.utmccn=\(referral\)\|utmcsr=[^|]+\|utmcct=/[^|]*\|utmcmd=referral)";

void expectVisitCookies(const QMap<QByteArray, QByteArray>& cookies, qsizetype utmzLength)
{
    EXPECT_EQ(cookies.value("__utma").size(), 56);
    EXPECT_TRUE(matches(kUtma, cookies.value("__utma"))) << cookies.value("__utma").toStdString();
    EXPECT_EQ(cookies.value("__utmz").size(), utmzLength);
    EXPECT_TRUE(matches(kUtmz, cookies.value("__utmz"))) << cookies.value("__utmz").toStdString();
    // One domain hash throughout.
    const QByteArray hash = cookies.value("__utma").left(9);
    EXPECT_TRUE(cookies.value("__utmz").startsWith(hash + '.'));
    EXPECT_EQ(cookies.value("__utmb"), hash);
    EXPECT_EQ(cookies.value("__utmc"), hash);
}

} // namespace

TEST(ServiceBodies, TheSessionHeadHoldsSixCookiesOfTheirFormsThenTheFixedFields)
{
    const QByteArray head = SessionBodyHead();
    ASSERT_EQ(head.size(), 425);
    ASSERT_TRUE(head.startsWith("Cookie:%20"));
    const qsizetype dots = head.indexOf("....");
    const QMap<QByteArray, QByteArray> cookies = cookiesOf(head.mid(10, dots - 10));
    EXPECT_EQ(cookies.keys(), QList<QByteArray>({"__utma", "__utmb", "__utmc", "__utmz", "h2", "he"}));
    expectVisitCookies(cookies, 122);
    EXPECT_TRUE(matches("[A-Za-z]", cookies.value("h2")));
    EXPECT_TRUE(matches("[A-Za-z]{3}", cookies.value("he")));

    const QByteArray fields = head.mid(dots + 4);
    const QByteArray referrer = fields.left(fields.indexOf('&'));
    EXPECT_TRUE(referrer.startsWith("wl_url="));
    EXPECT_EQ(referrer.size() - 7, 84);
    EXPECT_TRUE(referrer.endsWith("%2Fen%2Fproducts_services%2Fworldlingo_translator.html"));
    EXPECT_EQ(fields.mid(referrer.size()), "&wl_srcenc=utf-8&wl_trgenc=utf-8&wl_text_result=%E7%93%B7&wl_text=");
}

TEST(ServiceBodies, ThePageHeadHoldsFiveCookiesOfTheirFormsThenTheFixedFields)
{
    const QByteArray head = PageBodyHead();
    ASSERT_EQ(head.size(), 315);
    ASSERT_TRUE(head.startsWith("%20"));
    const QByteArray fixed = "&wl_mimetype=text/html&wl_text=";
    ASSERT_TRUE(head.endsWith(fixed));
    const QMap<QByteArray, QByteArray> cookies = cookiesOf(head.mid(3, head.size() - 3 - fixed.size()));
    EXPECT_EQ(cookies.keys(), QList<QByteArray>({"JSESSIONID", "__utma", "__utmb", "__utmc", "__utmz"}));
    expectVisitCookies(cookies, 115);
    EXPECT_TRUE(matches(R"([0-9A-F]{32}\.\w{4})", cookies.value("JSESSIONID")));
}

TEST(ServiceBodies, OnlyPairsTheServiceLacksGoThroughEnglish)
{
    // What the service translates directly, source by source.
    const auto direct = [](int s, int t) {
        if (s == English || t == English)
            return true;
        switch (s) {
        case French:
            return t == Dutch || t == German || t == Greek || t == Italian || t == Portuguese || t == Spanish;
        case Dutch:
        case German:
        case Greek:
        case Italian:
        case Portuguese:
        case Spanish:
            return t == French;
        default:
            return false;
        }
    };
    int chained = 0;
    for (int s = Simplified; s <= Spanish; ++s) {
        for (int t = Simplified; t <= Spanish; ++t) {
            if (s == t)
                continue;
            EXPECT_EQ(NeedsEnglishPivot(s, t), !direct(s, t)) << s << " to " << t;
            chained += NeedsEnglishPivot(s, t) ? 1 : 0;
        }
    }
    EXPECT_EQ(chained, 12 * 13 - 24 - 12);
}

TEST(ServiceReplies, MarkupInsideTheResultBlockIsShownAsSent)
{
    EXPECT_EQ(BabelFishResultText("<div id=\"result\"><div style=\"padding:0.6em;\">It&#39;s \xE4\xB8\xAD</div></div>"),
              QStringLiteral("It&#39;s 中"));
}

TEST(ServiceRequests, TheLoaderPageDecidesWhereTheSecondStageGoes)
{
    const QString base = QStringLiteral("http://127.0.0.1:9");
    const QByteArray token(33, 'k');
    const TranslationCodes codes{"ZH_CN", "EN", "gl6"};

    const StageTwoRequest session = WorldLingoStageTwo(
        "<script src=\"http://127.0.0.1:9/" + token + "/object?lp=1\"></script>", QStringLiteral("a"), codes, base);
    EXPECT_EQ(session.url, QStringLiteral("http://127.0.0.1:9/") + QString::fromLatin1(token) + QStringLiteral("/texttranslate"));
    EXPECT_TRUE(session.sessionTranslate);
    EXPECT_EQ(session.body, WorldLingoSessionBody(QStringLiteral("a"), "ZH_CN", "EN", "gl6"));

    // Another address, or ours without "/object" after it, names no session.
    for (const QByteArray& loader : {"http://127.0.0.1:10/" + token + "/object", QByteArray("http://127.0.0.1:9/x")}) {
        const StageTwoRequest page = WorldLingoStageTwo(loader, QStringLiteral("a"), codes, base);
        EXPECT_EQ(page.url, TranslationPageAddress(base));
        EXPECT_FALSE(page.sessionTranslate);
        EXPECT_EQ(page.body, WorldLingoPageBody(QStringLiteral("a"), "ZH_CN", "EN", "gl6"));
    }
    EXPECT_EQ(TranslationPageAddress(base), QStringLiteral("http://127.0.0.1:9/wl/translate/cn/translation"));
    EXPECT_EQ(BabelFishReferer(base), QStringLiteral("http://127.0.0.1:9/translate.dyn"));
}
