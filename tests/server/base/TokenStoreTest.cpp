// Signed per-visit tokens: their form, their expiry, refusal of anything not issued under the
// key, and instances that share a key accepting each other's tokens.

#include "ServerFixture.h"

#include "server/base/TokenStore.h"
#include "translate/ReplyCuts.h"

#include <QTemporaryDir>

#include <fstream>
#include <regex>
#include <set>

using namespace quillo;
using namespace quillo::server;
using namespace quillo::server::testing;

namespace {

const std::string kKey = "a key shared by every instance";

// Changes one character to its neighbour in the alphabet, keeping the alphabet.
std::string altered(std::string token, size_t position)
{
    char& c = token[position];
    c = c == 'z' ? 'A' : c == '9' ? 'a' : c == 'Z' ? '0' : static_cast<char>(c + 1);
    return token;
}

} // namespace

TEST(TokenStoreTest, TokensAreDistinctLettersAndDigitsOfTheGivenLength)
{
    for (size_t length : {33u, 32u}) {
        TokenStore store(length, std::chrono::minutes(1), kKey);
        std::set<std::string> seen;
        for (int i = 0; i < 200; ++i) {
            const std::string token = store.issue();
            EXPECT_TRUE(std::regex_match(token, std::regex("[A-Za-z0-9]{" + std::to_string(length) + "}"))) << token;
            EXPECT_TRUE(store.isValid(token));
            seen.insert(token);
        }
        EXPECT_EQ(seen.size(), 200u);
    }
}

TEST(TokenStoreTest, RefusesWhatWasNotIssuedUnderTheKeyOrHasExpired)
{
    auto now = TokenStore::Clock::time_point{} + std::chrono::hours(24 * 365 * 50);
    const auto clock = [&now] { return now; };
    TokenStore store(33, std::chrono::minutes(30), kKey, clock);
    const TokenStore otherKey(33, std::chrono::minutes(30), "another key of enough length", clock);
    const TokenStore pageIds(32, std::chrono::minutes(30), kKey, clock);
    const std::string token = store.issue();
    const std::string maximal(33, '9'); // larger than the bytes a token holds
    const struct {
        const char* what;
        std::string token;
    } refused[] = {
        {"empty", ""},
        {"all A", std::string(33, 'A')},
        {"out of range", maximal},
        {"first character changed", altered(token, 0)},
        {"middle character changed", altered(token, 16)},
        {"last character changed", altered(token, 32)},
        {"one character short", token.substr(0, 32)},
        {"one character more", token + "A"},
        {"foreign character", token.substr(0, 32) + "-"},
        {"other key", otherKey.issue()},
        {"other kind, padded", pageIds.issue() + "A"},
    };
    for (const auto& row : refused)
        EXPECT_FALSE(store.isValid(row.token)) << row.what << ": " << row.token;

    now += std::chrono::minutes(29);
    EXPECT_TRUE(store.isValid(token));
    now += std::chrono::minutes(1);
    EXPECT_FALSE(store.isValid(token)) << "expired";
}

TEST(TokenStoreTest, InstancesSharingAKeyAcceptEachOthersTokensAndStrangersDoNot)
{
    QTemporaryDir folder;
    const std::string keyFile = folder.filePath("key").toStdString();
    std::ofstream(keyFile) << kKey << "\n";
    ServeOptions options = RunningService::echoOptions();
    options.tokenKeyFile = keyFile;
    RunningService first(options), second(options), stranger;

    httplib::Client firstClient = first.client();
    const auto loader = firstClient.Get("/S3704.3-zh/loader");
    ASSERT_TRUE(loader);
    const QByteArray prefix = ExtractSessionPrefix(ReplyText(bytes(loader->body)), bytes(first.root()));
    ASSERT_FALSE(prefix.isEmpty());
    const std::string endpoint = str(prefix.mid(first.root().size() - 1)) + "texttranslate";
    const std::string body = "wl_text=x&wl_srclang=ZH_CN&wl_trglang=EN&l_glossary=gl6";
    const auto kForm = "application/x-www-form-urlencoded";
    const auto answered = second.client().Post(endpoint, body, kForm);
    ASSERT_TRUE(answered);
    EXPECT_EQ(answered->status, 200);
    EXPECT_EQ(stranger.client().Post(endpoint, body, kForm)->status, 404);

    const auto object = firstClient.Get("/S3739.5/object?");
    ASSERT_TRUE(object);
    const QByteArray id = ExtractPageId(ReplyText(bytes(object->body))).chopped(1); // its backslash
    ASSERT_EQ(id.size(), 32);
    const std::string page = "/" + str(id) + "/translation?wl_url=x"; // a known id reads the query
    EXPECT_EQ(second.client().Get(page)->status, 400);
    EXPECT_EQ(stranger.client().Get(page)->status, 404);
}

TEST(TokenStoreTest, AKeyTooShortToBeSafeIsRefusedAtStart)
{
    QTemporaryDir folder;
    const std::string keyFile = folder.filePath("key").toStdString();
    std::ofstream(keyFile) << "short\n";
    ServeOptions options = RunningService::echoOptions();
    options.tokenKeyFile = keyFile;
    options.dataDirectory = folder.path().toStdString();
    options.quiet = true;
    Service service(options);
    std::string error;
    EXPECT_FALSE(service.start(error));
    EXPECT_NE(error.find("token key"), std::string::npos) << error;
}
