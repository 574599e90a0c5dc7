// "发送到 Anki" through the program's own HTTP component to a stand-in for AnkiConnect on
// 127.0.0.1: the deck is created, then the note added; Anki's refusal and its absence are told.
#include "http/ServiceRequest.h"
#include "http/TWebRequest.h"
#include "session/WebRequestExchange.h"
#include "vocabulary/AnkiConnect.h"

#include <httplib.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>

using namespace quillo;

namespace {

class AnkiStandIn {
public:
    explicit AnkiStandIn(std::string addNoteError = {}) : addNoteError_(std::move(addNoteError))
    {
        server_.Post("/", [this](const httplib::Request& request, httplib::Response& response) {
            const QJsonObject call = QJsonDocument::fromJson(QByteArray::fromStdString(request.body)).object();
            {
                std::lock_guard lock(mutex_);
                calls_.push_back(call);
            }
            const bool refuse = call.value(QStringLiteral("action")) == QStringLiteral("addNote") && !addNoteError_.empty();
            response.set_content(refuse ? R"({"result":null,"error":")" + addNoteError_ + R"("})"
                                        : std::string(R"({"result":1496198395707,"error":null})"),
                                 "application/json");
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        while (!server_.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ~AnkiStandIn()
    {
        server_.stop();
        thread_.join();
    }
    QString url() const { return QStringLiteral("http://127.0.0.1:%1").arg(port_); }
    std::vector<QJsonObject> calls()
    {
        std::lock_guard lock(mutex_);
        return calls_;
    }

private:
    httplib::Server server_;
    std::string addNoteError_;
    int port_ = 0;
    std::thread thread_;
    std::mutex mutex_;
    std::vector<QJsonObject> calls_;
};

struct Sender {
    explicit Sender(const QString& url)
    {
        auto* exchange = new WebRequestExchange(NewServiceRequest(&owner), &owner);
        exchange->bindEvents();
        anki = new AnkiConnect(exchange, url, &owner);
    }
    QObject owner;
    AnkiConnect* anki;
};

const VocabularyItem kHaus{QStringLiteral("Haus"), QStringLiteral("house"), QStringLiteral("Das Haus ist alt."), {}};

} // namespace

TEST(AnkiConnect, CreatesTheDeckThenAddsTheNote)
{
    AnkiStandIn anki;
    Sender sender(anki.url());
    QSignalSpy sent(sender.anki, &AnkiConnect::sent);
    ASSERT_TRUE(sender.anki->send(kHaus));
    ASSERT_TRUE(sent.count() > 0 || sent.wait(20000));
    EXPECT_EQ(sent.first().first().toString(), QStringLiteral("Haus"));

    const auto calls = anki.calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(QJsonDocument(calls[0]).toJson(QJsonDocument::Compact),
              R"({"action":"createDeck","params":{"deck":"Quillo"},"version":6})");
    EXPECT_EQ(calls[1].value(QStringLiteral("action")).toString(), QStringLiteral("addNote"));
    const QJsonObject note = calls[1].value(QStringLiteral("params")).toObject().value(QStringLiteral("note")).toObject();
    EXPECT_EQ(note.value(QStringLiteral("deckName")).toString(), QStringLiteral("Quillo"));
    EXPECT_EQ(note.value(QStringLiteral("fields")).toObject().value(QStringLiteral("Front")).toString(), QStringLiteral("Haus"));
    EXPECT_EQ(note.value(QStringLiteral("fields")).toObject().value(QStringLiteral("Back")).toString(),
              QStringLiteral("house<br><br><i>Das <b>Haus</b> ist alt.</i>"));
    EXPECT_EQ(note.value(QStringLiteral("tags")).toArray(), QJsonArray{QStringLiteral("quillo")});
}

TEST(AnkiConnect, RefusalAndAbsenceAreToldInASentence)
{
    struct Case {
        const char* name;
        std::string addNoteError; // the stand-in's refusal of the note
        bool running;
        const char* expected;     // the start of the sentence
    };
    for (const Case& c : {Case{"refused", "cannot create note because it is a duplicate", true, "Anki 没有收下“Haus”：cannot create"},
                          Case{"absent", {}, false, "Anki 没有应答。"}}) {
        QString url;
        std::optional<AnkiStandIn> anki;
        {
            AnkiStandIn gone; // a port that was just free again
            url = gone.url();
        }
        if (c.running) {
            anki.emplace(c.addNoteError);
            url = anki->url();
        }
        Sender sender(url);
        QSignalSpy failed(sender.anki, &AnkiConnect::failed);
        ASSERT_TRUE(sender.anki->send(kHaus)) << c.name;
        ASSERT_TRUE(failed.count() > 0 || failed.wait(20000)) << c.name;
        EXPECT_TRUE(failed.first().first().toString().startsWith(QString::fromUtf8(c.expected)))
            << c.name << ": " << failed.first().first().toString().toStdString();
        EXPECT_FALSE(sender.anki->busy());
    }
}
