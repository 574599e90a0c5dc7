// The LibreTranslate backend against a small fake LibreTranslate on loopback.

#include "ServerFixture.h"

#include "server/engines/remote/LibreTranslateBackend.h"

using namespace quillo::server;
using namespace quillo::server::testing;

namespace {

TranslationRequest request(const std::string& text, const char* source, const char* target)
{
    return {text, LanguageByCode(source), LanguageByCode(target), target, {}};
}

} // namespace

TEST(LibreTranslateBackendTest, TranslatesWithTheServersOwnCodes)
{
    FakeLibreTranslate fake("/lt");
    LibreTranslateBackend backend({fake.site.url("/lt/"), "secret"});
    EXPECT_TRUE(backend.covers("en", "zh"));
    EXPECT_TRUE(backend.covers("zt", "zh"));
    EXPECT_TRUE(backend.covers("en", "ja"));
    EXPECT_FALSE(backend.covers("ja", "en")); // not among Japanese's targets
    EXPECT_FALSE(backend.covers("en", "ko"));

    const BackendResult result = backend.translate(request("你好 & \"quotes\"", "zh", "en"));
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.text, "en:你好 & \"quotes\"");
    std::lock_guard lock(fake.mutex);
    EXPECT_EQ(fake.lastBody.value(QStringLiteral("source")).toString(), QStringLiteral("zh-Hans"));
    EXPECT_EQ(fake.lastBody.value(QStringLiteral("format")).toString(), QStringLiteral("text"));
    EXPECT_EQ(fake.lastBody.value(QStringLiteral("api_key")).toString(), QStringLiteral("secret"));
    EXPECT_EQ(fake.languageRequests.load(), 1); // the language list is read once
}

TEST(LibreTranslateBackendTest, FailuresAreReportedNotTranslated)
{
    FakeLibreTranslate fake;
    LibreTranslateBackend backend({fake.site.url(""), ""});
    const BackendResult failed = backend.translate(request("boom", "en", "zt"));
    EXPECT_FALSE(failed.ok);
    EXPECT_NE(failed.error.find("model exploded"), std::string::npos) << failed.error;

    fake.site.stop(); // the server goes away after the list was read
    const BackendResult gone = backend.translate(request("hello", "en", "zt"));
    EXPECT_FALSE(gone.ok);

    LibreTranslateBackend unreachable({fake.site.url(""), ""});
    EXPECT_FALSE(unreachable.covers("en", "zh"));
    EXPECT_FALSE(unreachable.translate(request("hello", "en", "zh")).ok);
}
