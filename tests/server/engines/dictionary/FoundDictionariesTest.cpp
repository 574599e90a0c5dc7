// Dictionaries as engines of a running server: one dropped into the data folder is listed and
// answers without a restart, the program's contract answers a word with its entry and then the
// translation, and one taken away is gone again.

#include "ServerFixture.h"
#include "engines/dictionary/DictionaryFiles.h"
#include "core/CodePage.h"
#include "translate/Encoding.h"
#include "translate/ReplyCuts.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>

using namespace quillo;
using namespace quillo::server;
using namespace quillo::server::testing;

namespace {

const QString kTitle = QStringLiteral("German-English FreeDict Dictionary");
constexpr const char* kId = "freedict-deu-eng";

QJsonObject engineListed(const RunningService& server, const char* id)
{
    const auto reply = server.client().Get("/api/v1/engines");
    for (const QJsonValue& engine : QJsonDocument::fromJson(bytes(reply ? reply->body : "")).array()) {
        if (engine.toObject().value(QStringLiteral("id")).toString() == QLatin1String(id))
            return engine.toObject();
    }
    return {};
}

// The shelf looks at the drop folder about once a second; a build of a small index is quick.
bool waitForListing(const RunningService& server, const char* id, bool listed)
{
    for (int attempt = 0; attempt < 300; ++attempt) {
        if (engineListed(server, id).isEmpty() != listed)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

QString babelAnswer(const RunningService& server, const QString& text, const std::string& pair)
{
    const std::string body = "ei=UTF-8&doit=done&fr=bf-res&intl=1&tt=urltext&trtext="
        + str(FormEncode(Utf8Encode(text))) + "&lp=" + pair + "&btnTrTxt=Translate";
    const auto reply = server.client().Post("/translate_txt", body, "application/x-www-form-urlencoded");
    const auto cut = reply ? ExtractBabelFishResult(ReplyText(bytes(reply->body))) : std::nullopt;
    // The result page carries line breaks as the program shows them (CR LF).
    return cut ? Utf8Decode(*cut).replace(QStringLiteral("\r\n"), QStringLiteral("\n")) : QStringLiteral("<no result>");
}

} // namespace

TEST(FoundDictionaries, DroppedDictionaryServesUntilTakenAway)
{
    RunningService server;
    EXPECT_TRUE(engineListed(server, kId).isEmpty());

    const QString folder = QDir(QString::fromStdString(server.dataDirectory())).filePath(QStringLiteral("dictionaries"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString base = folder + QStringLiteral("/freedict-deu-eng");
    dictformats::test::writeDictd(base, kTitle, {{QStringLiteral("Haus"), "Haus /haʊs/ <n, neut>\nhouse; home\n"}}, false);
    ASSERT_TRUE(waitForListing(server, kId, true));
    const QJsonObject engine = engineListed(server, kId);
    EXPECT_EQ(engine.value(QStringLiteral("name")).toString(), kTitle);
    EXPECT_EQ(engine.value(QStringLiteral("kind")).toString(), QStringLiteral("dictionary"));
    EXPECT_EQ(QJsonDocument(engine.value(QStringLiteral("pairs")).toArray()).toJson(QJsonDocument::Compact), R"([["de","en"]])");

    // A word: the entry (an inflected form finds its base), then the chain's translation of it.
    const QString word = babelAnswer(server, QStringLiteral("Häuser"), "de_en");
    EXPECT_TRUE(word.startsWith(QStringLiteral("【%1】\nHaus /haʊs/").arg(kTitle))) << word.toStdString();
    EXPECT_TRUE(word.contains(QStringLiteral("house; home"))) << word.toStdString();
    EXPECT_TRUE(word.endsWith(QStringLiteral("\n\n【译文】\n[en] Häuser"))) << word.toStdString();
    // A sentence, and a word the dictionary lacks, go to the translation alone.
    EXPECT_EQ(babelAnswer(server, QStringLiteral("Das Haus ist sehr alt."), "de_en"), QStringLiteral("[en] Das Haus ist sehr alt."));
    EXPECT_EQ(babelAnswer(server, QStringLiteral("Baum"), "de_en"), QStringLiteral("[en] Baum"));

    const auto all = server.client().Post("/api/v1/translate", R"({"text":"Haus","source":"de","target":"en","engines":"all"})",
                                          "application/json");
    ASSERT_TRUE(all);
    const QJsonArray results = QJsonDocument::fromJson(bytes(all->body)).object().value(QStringLiteral("results")).toArray();
    ASSERT_EQ(results.size(), 2) << all->body;
    EXPECT_EQ(results[0].toObject().value(QStringLiteral("text")).toString(), QStringLiteral("[en] Haus"));
    EXPECT_EQ(results[1].toObject().value(QStringLiteral("engine")).toString(), QLatin1String(kId));
    EXPECT_TRUE(results[1].toObject().value(QStringLiteral("text")).toString().startsWith(QStringLiteral("【%1】").arg(kTitle)));

    QFile::remove(base + QStringLiteral(".index"));
    ASSERT_TRUE(waitForListing(server, kId, false));
    EXPECT_EQ(babelAnswer(server, QStringLiteral("Haus"), "de_en"), QStringLiteral("[en] Haus"));
}
