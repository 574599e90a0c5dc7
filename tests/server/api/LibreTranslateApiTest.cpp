// The LibreTranslate-compatible routes against requests as that API's documented clients send
// them: the docs' fetch() calls (JSON), the Python binding (a urlencoded form), a browser page's
// FormData (multipart), a list of texts, and source "auto".

#include "api/ApiStandIn.h"
#include "ServerFixture.h"

#include <QJsonArray>

using namespace quillo::server;
using namespace quillo::server::testing;

namespace {

std::string request(int port, const std::string& path, const std::string& contentType, const std::string& body)
{
    return "POST " + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\nUser-Agent: client\r\nAccept: */*\r\n"
        + "Content-Type: " + contentType + "\r\nContent-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

// Status and body of a raw reply.
std::pair<std::string, std::string> answer(const std::string& reply)
{
    const size_t head = reply.find("\r\n\r\n");
    return {reply.substr(9, 3), head == std::string::npos ? std::string() : reply.substr(head + 4)};
}

std::string compact(const std::string& body)
{
    const QJsonDocument document = QJsonDocument::fromJson(bytes(body));
    return str(document.toJson(QJsonDocument::Compact));
}

} // namespace

TEST(LibreTranslateApi, TranslatesAsItsClientsAsk)
{
    ApiServer server;
    const std::string multipart = "------b\r\nContent-Disposition: form-data; name=\"q\"\r\n\r\nhello\r\n"
                                  "------b\r\nContent-Disposition: form-data; name=\"source\"\r\n\r\nen\r\n"
                                  "------b\r\nContent-Disposition: form-data; name=\"target\"\r\n\r\nzt\r\n"
                                  "------b\r\nContent-Disposition: form-data; name=\"format\"\r\n\r\ntext\r\n------b--\r\n";
    const struct {
        std::string contentType, body, status, answer;
    } cases[] = {
        {"application/json", R"({"q":"Hello!","source":"en","target":"zh","format":"text","api_key":""})", "200",
         R"({"translatedText":"zh:Hello!"})"},
        {"application/x-www-form-urlencoded", "q=Hello+World%21&source=en&target=zh", "200", R"({"translatedText":"zh:Hello World!"})"},
        {"multipart/form-data; boundary=----b", multipart, "200", R"({"translatedText":"zt:hello"})"},
        {"application/json", R"({"q":["one","two"],"source":"en","target":"zh-Hans"})", "200", R"({"translatedText":["zh:one","zh:two"]})"},
        {"application/json", R"({"q":"The weather is lovely today and we walk in the park.","source":"auto","target":"zh"})", "200",
         R"({"detectedLanguage":{"confidence":CONF,"language":"en"},"translatedText":"zh:The weather is lovely today and we walk in the park."})"},
        {"application/json", R"({"q":"<p class=\"green\">Hello!</p>","source":"en","target":"zh","format":"html"})", "200",
         R"({"translatedText":"<p class=\"green\">zh:Hello!</p>"})"},
        {"application/json", R"({"source":"en","target":"zh"})", "400", R"({"error":"Invalid request: missing q parameter"})"},
        {"application/json", R"({"q":"x","source":"en"})", "400", R"({"error":"Invalid request: missing target parameter"})"},
        {"application/json", R"({"q":"x","source":"en","target":"tlh"})", "400", R"({"error":"tlh is not supported"})"},
        {"application/json", R"({"q":"x","source":"de","target":"en"})", "500", R"({"error":"Cannot translate text: mt does not serve this pair"})"},
        {"application/json", R"({"q":"x","source":"en","target":"zh","format":"pdf"})", "400", R"({"error":"Invalid request: format must be text or html"})"},
        {"application/x-www-form-urlencoded", "q=%E4%BD", "400", R"({"error":"Invalid request: the form field q is not percent-encoded UTF-8"})"},
    };
    for (const auto& c : cases) {
        auto [status, body] = answer(RawExchange(server.port(), request(server.port(), "/translate", c.contentType, c.body)));
        EXPECT_EQ(status, c.status) << c.body;
        std::string got = compact(body);
        if (const size_t at = got.find("\"confidence\":"); at != std::string::npos && c.answer.find("CONF") != std::string::npos) {
            const size_t end = got.find(',', at);
            EXPECT_GT(std::stod(got.substr(at + 13, end - at - 13)), 50.0) << got;
            got.replace(at + 13, end - at - 13, "CONF");
        }
        EXPECT_EQ(got, c.answer) << c.body;
    }
}

TEST(LibreTranslateApi, ListsAutoDetectionForEachText)
{
    ApiServer server;
    const auto [status, body] = answer(RawExchange(server.port(), request(server.port(), "/translate", "application/json",
        R"({"q":["The weather is lovely today and we walk in the park.","我们明天去公园散步。"],"source":"auto","target":"en"})")));
    EXPECT_EQ(status, "500") << body; // the stand-in mt has no en -> en
    const auto [okStatus, okBody] = answer(RawExchange(server.port(), request(server.port(), "/translate", "application/json",
        R"({"q":["我们明天去公园散步。"],"source":"auto","target":"en"})")));
    EXPECT_EQ(okStatus, "200");
    const QJsonObject object = QJsonDocument::fromJson(bytes(okBody)).object();
    EXPECT_EQ(object[QStringLiteral("translatedText")].toArray().first().toString(), QStringLiteral("en:我们明天去公园散步。"));
    EXPECT_EQ(object[QStringLiteral("detectedLanguage")].toArray().first()[QStringLiteral("language")].toString(), QStringLiteral("zh"));
}

TEST(LibreTranslateApi, DescribesItself)
{
    ApiServer server(ApiServerOptions{{"secret"}, {}, 5000});
    httplib::Client client(kLoopback, server.port());
    const auto languages = client.Get("/languages");
    ASSERT_TRUE(languages);
    EXPECT_EQ(compact(languages->body),
              R"([{"code":"zh","name":"Simplified Chinese","targets":["en"]},)"
              R"({"code":"en","name":"English","targets":["zh","zt"]},)"
              R"({"code":"de","name":"German","targets":["zh"]}])");
    const QJsonObject settings = QJsonDocument::fromJson(bytes(client.Get("/frontend/settings")->body)).object();
    EXPECT_EQ(settings[QStringLiteral("charLimit")].toInt(), 5000);
    EXPECT_TRUE(settings[QStringLiteral("keyRequired")].toBool());
    EXPECT_TRUE(settings[QStringLiteral("apiKeys")].toBool());
    const QJsonObject spec = QJsonDocument::fromJson(bytes(client.Get("/spec")->body)).object();
    for (const char* path : {"/translate", "/detect", "/languages", "/frontend/settings", "/api/v1/translate", "/api/v1/engines", "/api/v1/detect"})
        EXPECT_TRUE(spec[QStringLiteral("paths")].toObject().contains(QString::fromLatin1(path))) << path;
}

TEST(LibreTranslateApi, FailsAsItDoes)
{
    ApiServer server(ApiServerOptions{{"secret"}, {}, 10});
    const auto post = [&](const std::string& body) {
        return answer(RawExchange(server.port(), request(server.port(), "/translate", "application/x-www-form-urlencoded", body)));
    };
    EXPECT_EQ(post("q=hi&source=en&target=zh"), std::make_pair(std::string("403"), std::string(R"({"error":"Invalid API key"})")));
    EXPECT_EQ(post("q=hi&source=en&target=zh&api_key=secret").first, "200");
    EXPECT_EQ(post("q=hello+world+again&source=en&target=zh&api_key=secret"),
              std::make_pair(std::string("400"), std::string(R"x({"error":"Invalid request: request (17) exceeds text limit (10)"})x")));
    server.engines.rateLimited = true;
    EXPECT_EQ(post("q=hi&source=en&target=zh&api_key=secret"),
              std::make_pair(std::string("429"), std::string(R"({"error":"Cannot translate text: too many requests"})")));
    const auto detect = answer(RawExchange(server.port(), request(server.port(), "/detect", "application/x-www-form-urlencoded",
                                                                  "q=Guten+Tag%2C+wie+geht+es+Ihnen+heute%3F&api_key=secret")));
    EXPECT_EQ(detect.first, "200");
    const QJsonArray guesses = QJsonDocument::fromJson(bytes(detect.second)).array();
    ASSERT_FALSE(guesses.isEmpty()) << detect.second;
    EXPECT_EQ(guesses.first()[QStringLiteral("language")].toString(), QStringLiteral("de"));
    EXPECT_GT(guesses.first()[QStringLiteral("confidence")].toDouble(), 1.0) << "a percentage";
}
