// The update release folder with publish, and the feedback script with its store.

#include "ServerFixture.h"

#include "core/CodePage.h"
#include "server/app/Commands.h"
#include "server/stores/FeedbackStore.h"
#include "server/stores/Release.h"
#include "translate/Encoding.h"

#include <openssl/evp.h>
#include <sqlite3.h>
#include <openssl/pem.h>

#include <QCryptographicHash>
#include <QFile>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <atomic>
#include <map>
#include <thread>

using namespace quillo;
using namespace quillo::server;
using namespace quillo::server::testing;

namespace {

// A fresh Ed25519 key written as PEM; the raw public key for checking signatures.
std::string writeKey(const QString& path, std::string& publicKey)
{
    EVP_PKEY* key = nullptr;
    EVP_PKEY_CTX* context = EVP_PKEY_CTX_new_id(EVP_PKEY_ED25519, nullptr);
    EVP_PKEY_keygen_init(context);
    EVP_PKEY_keygen(context, &key);
    EVP_PKEY_CTX_free(context);
    size_t length = 32;
    publicKey.resize(length);
    EVP_PKEY_get_raw_public_key(key, reinterpret_cast<unsigned char*>(publicKey.data()), &length);
    BIO* out = BIO_new_file(path.toLocal8Bit().constData(), "w");
    PEM_write_bio_PrivateKey(out, key, nullptr, nullptr, 0, nullptr, nullptr);
    BIO_free(out);
    EVP_PKEY_free(key);
    return path.toStdString();
}

bool verifies(const std::string& publicKey, const QByteArray& message, const QByteArray& signature)
{
    EVP_PKEY* key = EVP_PKEY_new_raw_public_key(
        EVP_PKEY_ED25519, nullptr, reinterpret_cast<const unsigned char*>(publicKey.data()), publicKey.size());
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    const bool ok = key && EVP_DigestVerifyInit(context, nullptr, nullptr, nullptr, key) == 1
        && EVP_DigestVerify(context, reinterpret_cast<const unsigned char*>(signature.constData()),
                            static_cast<size_t>(signature.size()),
                            reinterpret_cast<const unsigned char*>(message.constData()),
                            static_cast<size_t>(message.size())) == 1;
    EVP_MD_CTX_free(context);
    EVP_PKEY_free(key);
    return ok;
}

// key=value lines of the version file, decoded from GBK.
std::map<QString, QString> iniValues(const std::string& gbk)
{
    std::map<QString, QString> values;
    for (const QString& line : FromAnsi(bytes(gbk)).split(QStringLiteral("\r\n"))) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq > 0)
            values[line.left(eq)] = line.mid(eq + 1);
    }
    return values;
}

// The lines of a reply as the program reads them: decoded from GBK, split at CR, LF or CR LF.
QStringList replyLines(const std::string& body)
{
    return FromAnsi(bytes(body)).split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
}

// The feedback body byte for byte as the program builds it.
std::string feedbackBody(const QString& title, const QString& text)
{
    QString message = text;
    message.replace(u' ', QStringLiteral("&nbsp;")).replace(u'\r', QStringLiteral("<br>"));
    return str("user=m4rvo&name=" + ToAnsi(QStringLiteral("Quillo_注册用户_16")) + "&email="
               + FormEncode(ToAnsi(QStringLiteral("xy"))) + "&title=" + FormEncode(ToAnsi(title))
               + "&text=" + FormEncode(ToAnsi(message)) + "&image=on&home=ABC123&time="
               + FormEncode(ToAnsi(QStringLiteral("2006-06-12&nbsp;10:30"))));
}

std::vector<FeedbackMessage> storedMessages(const std::string& dataDirectory)
{
    std::string error;
    const auto store = FeedbackStore::open(FeedbackStore::defaultPath(dataDirectory),
                                           FeedbackStore::Mode::ReadOnly, error);
    std::vector<FeedbackMessage> messages;
    EXPECT_TRUE(store && store->all(messages, error)) << error;
    return messages;
}

} // namespace

TEST(UpdateTest, PublishedReleaseIsServedWithAddressesThatFitTheClient)
{
    ServeOptions options = RunningService::echoOptions();
    options.publicHosts = {"update.example"};
    RunningService service(options);
    QTemporaryDir work;
    const QString programPath = work.filePath(QStringLiteral("quillo"));
    QByteArray program(300000, '\0');
    for (int i = 0; i < program.size(); ++i)
        program[i] = static_cast<char>(i * 7 % 251);
    QFile file(programPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(program) == program.size());
    file.close();
    std::string publicKey;
    const std::string keyFile = writeKey(work.filePath(QStringLiteral("key.pem")), publicKey);

    const PublishResult published = Publish({service.dataDirectory(), programPath.toStdString(), "17",
                                             std::string("新版本已发布"), keyFile});
    ASSERT_TRUE(published.ok) << published.error;

    httplib::Client client = service.client();
    const auto versionFile = client.Get("/translation/update/qoversion.txt", {{"Host", "update.example:8080"}});
    ASSERT_TRUE(versionFile);
    EXPECT_EQ(versionFile->status, 200);
    auto values = iniValues(versionFile->body);
    EXPECT_EQ(values.at(QStringLiteral("version")), QStringLiteral("17"));
    EXPECT_EQ(values[QStringLiteral("FileSize")], QString::number(program.size()));
    EXPECT_EQ(values[QStringLiteral("RegNewInformat")], QStringLiteral("新版本已发布"));
    const QByteArray digest = QCryptographicHash::hash(program, QCryptographicHash::Sha256);
    EXPECT_EQ(values[QStringLiteral("SHA256")], QString::fromLatin1(digest.toHex()));
    EXPECT_TRUE(verifies(publicKey, digest,
                         QByteArray::fromBase64(values[QStringLiteral("Signature")].toLatin1())));
    EXPECT_EQ(values[QStringLiteral("url1")], QStringLiteral("http://update.example:8080/translation/update/17/quillo"));
    // Behind a TLS proxy the addresses keep the client's https.
    values = iniValues(client.Get("/translation/update/qoversion.txt",
                                  {{"Host", "update.example"}, {"X-Forwarded-Proto", "https"}})->body);
    EXPECT_EQ(values[QStringLiteral("url1")], QStringLiteral("https://update.example/translation/update/17/quillo"));

    // Through the address the server was really reached by, the download is the file.
    values = iniValues(client.Get("/translation/update/qoversion.txt")->body);
    const std::string download = values[QStringLiteral("url1")].toStdString();
    ASSERT_EQ(download.rfind(service.root(), 0), 0u) << download;
    const auto fetched = client.Get(download.substr(service.root().size() - 1));
    ASSERT_TRUE(fetched);
    EXPECT_EQ(fetched->get_header_value("Content-Length"), std::to_string(program.size()));
    EXPECT_TRUE(fetched->body == str(program));

    for (const std::string path : {"/translation/update/../feedback.sqlite3",
                                    "/translation/update/%2e%2e/feedback.sqlite3",
                                    "/translation/update/17/../../feedback.sqlite3",
                                    "/translation/update/none.txt", "/translation/update/17"}) {
        const std::string answer = RawExchange(service.port(), "GET " + path + " HTTP/1.1\r\nHost: " + service.hostPort() + "\r\nConnection: close\r\n\r\n");
        EXPECT_EQ(answer.substr(0, 12), "HTTP/1.1 404") << path;
    }
}

TEST(UpdateTest, PublishRefusesWhatItCannotPublishWell)
{
    QTemporaryDir data;
    const QString program = data.filePath(QStringLiteral("prog"));
    QFile file(program);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("x") == 1);
    file.close();
    const std::string dir = data.path().toStdString();
    EXPECT_FALSE(Publish({dir, program.toStdString(), "../17", {}, {}}).ok);
    EXPECT_FALSE(Publish({dir, program.toStdString(), "", {}, {}}).ok);
    // The program refuses versions it cannot compare as numbers.
    EXPECT_FALSE(Publish({dir, program.toStdString(), "17-beta", {}, {}}).ok);
    EXPECT_FALSE(Publish({dir, program.toStdString(), "v17", {}, {}}).ok);
    EXPECT_FALSE(Publish({dir, dir + "/missing", "17", {}, {}}).ok);
    EXPECT_FALSE(Publish({dir, program.toStdString(), "17", std::string("😀"), {}}).ok);
    EXPECT_FALSE(Publish({dir, program.toStdString(), "17", {}, program.toStdString()}).ok); // not a key
    EXPECT_FALSE(QFile::exists(QString::fromStdString(ReleaseDirectory(dir)) + QStringLiteral("/qoversion.txt")));
    const PublishResult plain = Publish({dir, program.toStdString(), "17", std::string("a\r\nb"), {}});
    ASSERT_TRUE(plain.ok) << plain.error;
    QFile written(QString::fromStdString(plain.versionFile));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const auto values = iniValues(written.readAll().toStdString());
    EXPECT_EQ(values.at(QStringLiteral("RegNewInformat")), QStringLiteral("a  b")); // one line
    EXPECT_EQ(values.count(QStringLiteral("Signature")), 0u);
}

TEST(HomePageTest, SaysWhatTheProgramIsWhereToGetItAndWhereMessagesGo)
{
    RunningService service;
    httplib::Client client = service.client();
    const std::string feedbackAddress = service.root() + "translation/feedback/addinfo.asp";
    auto page = client.Get("/");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_EQ(page->get_header_value("Content-Type"), "text/html; charset=utf-8");
    EXPECT_NE(page->body.find("Quillo翻译软件是一款桌面翻译工具"), std::string::npos);
    EXPECT_NE(page->body.find("没有发布可下载的版本"), std::string::npos);
    EXPECT_NE(page->body.find("action=\"" + feedbackAddress + "\""), std::string::npos);

    // Once a release is published, the page links to it, and the link is the program.
    QTemporaryDir work;
    const QString programPath = work.filePath(QStringLiteral("quillo"));
    QFile file(programPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("program") == 7);
    file.close();
    const PublishResult published = Publish({service.dataDirectory(), programPath.toStdString(), "17", {}, {}});
    ASSERT_TRUE(published.ok) << published.error;
    page = client.Get("/");
    ASSERT_TRUE(page);
    const std::string download = service.root() + "translation/update/17/quillo";
    EXPECT_NE(page->body.find("<a href=\"" + download + "\">"), std::string::npos) << page->body;
    EXPECT_NE(page->body.find(published.sha256), std::string::npos);
    const auto fetched = client.Get(download.substr(service.root().size() - 1));
    ASSERT_TRUE(fetched);
    EXPECT_EQ(fetched->body, "program");

    // The page's form, as a browser posts it (GB18030, only the fields it has), is stored.
    const std::string form = "title=" + str(FormEncode(ToGb18030(QStringLiteral("网页留言 😀"))))
        + "&email=a%40b.c&text=" + str(FormEncode(ToGb18030(QStringLiteral("你好 한국어"))));
    const auto posted = client.Post("/translation/feedback/addinfo.asp", form, kForm);
    ASSERT_TRUE(posted);
    EXPECT_EQ(posted->status, 200);
    const auto messages = storedMessages(service.dataDirectory());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].title, "网页留言 😀");
    EXPECT_EQ(messages[0].text, "你好 한국어");
}

TEST(FeedbackTest, AcceptedOnlyWhenStoredAndEveryFieldKept)
{
    RunningService service;
    httplib::Client client = service.client();
    const std::string body = feedbackBody(QStringLiteral("a b"), QStringLiteral("第一行 x\r\n第二行"));
    const auto accepted = client.Post("/translation/feedback/addinfo.asp", body, kForm);
    ASSERT_TRUE(accepted);
    EXPECT_EQ(accepted->status, 200);
    EXPECT_TRUE(replyLines(accepted->body).contains(QStringLiteral("留言成功")));

    const auto messages = storedMessages(service.dataDirectory());
    ASSERT_EQ(messages.size(), 1u);
    const FeedbackMessage& stored = messages.front();
    EXPECT_EQ(stored.user, "m4rvo");
    EXPECT_EQ(stored.name, "Quillo_注册用户_16");
    EXPECT_EQ(stored.email, "xy");
    EXPECT_EQ(stored.title, "a b");
    EXPECT_EQ(stored.text, "第一行&nbsp;x<br>\n第二行");
    EXPECT_EQ(TypedText(stored.text), "第一行 x\r\n第二行");
    EXPECT_EQ(stored.image, "on");
    EXPECT_EQ(stored.home, "ABC123");
    EXPECT_EQ(TypedText(stored.time), "2006-06-12 10:30");
    EXPECT_EQ(stored.remote, "127.0.0.1");
    EXPECT_EQ(stored.raw, body);

    // Refusals carry no acceptance line and store nothing.
    const std::string noTitle = "user=m4rvo&name=x&email=&text=abc&image=on&home=A&time=t";
    const std::string badGbk = "user=m4rvo&name=x&email=&title=%81%20&text=abc";
    const std::string tooLong = feedbackBody(QStringLiteral("t"), QString(17 * 1024, u'a'));
    for (const std::string& refused : {noTitle, badGbk, tooLong}) {
        const auto answer = client.Post("/translation/feedback/addinfo.asp", refused, kForm);
        ASSERT_TRUE(answer);
        EXPECT_GE(answer->status, 400);
        EXPECT_FALSE(replyLines(answer->body).contains(QStringLiteral("留言成功")));
    }
    EXPECT_EQ(storedMessages(service.dataDirectory()).size(), 1u);
}

TEST(FeedbackTest, AFailingDatabaseIsNeverReportedAsSuccess)
{
    RunningService service;
    // The table vanishes under the running server: its insert must fail, and say so.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(FeedbackStore::defaultPath(service.dataDirectory()).c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "DROP TABLE messages", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    const auto answer = service.client().Post("/translation/feedback/addinfo.asp",
                                               feedbackBody(QStringLiteral("t"), QStringLiteral("m")), kForm);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->status, 500);
    EXPECT_FALSE(replyLines(answer->body).contains(QStringLiteral("留言成功")));
}

TEST(FeedbackTest, DailyLimitsRefuseWithoutTheAcceptanceLine)
{
    const std::string body = feedbackBody(QStringLiteral("t"), QStringLiteral("message"));
    const struct {
        FeedbackLimits limits;
        size_t stored;
    } cases[] = {{{2, 1 << 20}, 2}, {{100, body.size() * 3 + 10}, 3}, {{0, 1 << 20}, 0}};
    for (const auto& c : cases) {
        ServeOptions options = RunningService::echoOptions();
        options.feedbackLimits = c.limits;
        RunningService service(options);
        httplib::Client client = service.client();
        for (size_t i = 0; i < 5; ++i) {
            const auto answer = client.Post("/translation/feedback/addinfo.asp", body, kForm);
            ASSERT_TRUE(answer);
            EXPECT_EQ(answer->status, i < c.stored ? 200 : 503);
            EXPECT_EQ(replyLines(answer->body).contains(QStringLiteral("留言成功")), i < c.stored);
        }
        EXPECT_EQ(storedMessages(service.dataDirectory()).size(), c.stored);
    }
}

TEST(UpdateTest, InstancesSharingTheReleaseFolderNeverServeAHalfWrittenVersionFile)
{
    RunningService first;
    ServeOptions options = RunningService::echoOptions();
    options.dataDirectory = first.dataDirectory();
    RunningService second(options);
    QTemporaryDir work;
    const QString programPath = work.filePath(QStringLiteral("quillo"));
    QFile file(programPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(QByteArray(200000, 'q')) > 0);
    file.close();
    ASSERT_TRUE(Publish({first.dataDirectory(), programPath.toStdString(), "1", std::nullopt, std::nullopt}).ok);

    std::atomic<bool> publishing{true};
    std::thread publisher([&] {
        for (int version = 2; version < 60; ++version) {
            const std::string notice(2000 + version * 50, 'n'); // a version file of many blocks
            EXPECT_TRUE(Publish({first.dataDirectory(), programPath.toStdString(), std::to_string(version),
                                 notice, std::nullopt}).ok);
        }
        publishing = false;
    });
    httplib::Client clients[] = {first.client(), second.client()};
    int reads = 0;
    for (; publishing || reads < 2; ++reads) {
        const auto answer = clients[reads % 2].Get("/translation/update/qoversion.txt");
        ASSERT_TRUE(answer);
        ASSERT_EQ(answer->status, 200);
        const auto values = iniValues(answer->body);
        ASSERT_TRUE(values.count(QStringLiteral("url1"))) << "cut short after " << answer->body.size() << " bytes";
        EXPECT_TRUE(values.at(QStringLiteral("url1")).contains(u'/' + values.at(QStringLiteral("version")) + u'/'));
    }
    publisher.join();
}

TEST(FeedbackTest, ListingShowsControlCharactersEscaped)
{
    FeedbackMessage message;
    message.id = 7;
    message.title = "\x1b]0;owned\x07\x1b[2J";
    message.name = "n\r\n#8 received forged";
    message.email = "csi\xC2\x9B" "31m \xC2\xA0kept";
    message.text = "line one<br>\nline two\rover\x7F";
    const std::string listing = FormatFeedback({message}, false);
    for (const char* line : {"title: \\x1B]0;owned\\x07\\x1B[2J\n", "name: n\\x0D\\x0A#8 received forged\n",
                             "email: csi\\u009B31m \xC2\xA0kept\n", "text:\nline one\r\nline two\\x0Dover\\x7F\n"})
        EXPECT_NE(listing.find(line), std::string::npos) << line << " in\n" << listing;
    for (const char control : {'\x1b', '\x07', '\x7f'})
        EXPECT_EQ(listing.find(control), std::string::npos) << int(control);
}
