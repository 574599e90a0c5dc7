// The Apertium backend: its stream escaping, its routes through Spanish and, where Apertium is
// installed (scripts/setup.sh installs it), real sentences through warm pipelines.

#include "server/ApertiumBackend.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using namespace quillo::server;

namespace {

const std::string kModes = "/usr/share/apertium/modes";

TranslationRequest request(const std::string& text, const char* source, const char* target)
{
    return {text, LanguageByCode(source), LanguageByCode(target), target, {}};
}

} // namespace

TEST(ApertiumBackendTest, StreamEscapingRoundTrips)
{
    const std::string text = "a[b]c\\d^e$f/g@h<i>j{k}l~m*n#o\nline";
    const std::string stream = ApertiumBackend::escape(text);
    EXPECT_EQ(stream, "a\\[b\\]c\\\\d\\^e\\$f\\/g\\@h\\<i\\>j\\{k\\}l[~]m*n#o\nline");
    EXPECT_EQ(ApertiumBackend::unescape(stream), text);
    EXPECT_EQ(ApertiumBackend::escape(std::string("x\0y", 3)), "xy"); // NUL ends a record
    EXPECT_EQ(ApertiumBackend::unescape("hoy[][]"), "hoy");
}

TEST(ApertiumBackendTest, PairsWithoutADirectDirectionGoThroughSpanish)
{
    // Mode files alone decide the routes; a stand-in folder keeps this independent of what is
    // installed.
    QTemporaryDir modes;
    for (const char* name : {"eng-spa", "spa-eng", "fr-es", "es-fr", "spa-ita", "es-pt_BR", "eco-es-fr"}) {
        QFile file(modes.filePath(QString::fromLatin1(name) + QStringLiteral(".mode")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const ApertiumBackend backend(ApertiumOptions{modes.path().toStdString()});
    EXPECT_EQ(backend.route("en", "es"), (std::vector<std::string>{"eng-spa"}));
    EXPECT_EQ(backend.route("en", "fr"), (std::vector<std::string>{"eng-spa", "es-fr"}));
    EXPECT_EQ(backend.route("fr", "it"), (std::vector<std::string>{"fr-es", "spa-ita"}));
    EXPECT_TRUE(backend.route("it", "en").empty()); // no ita-spa direction here
    EXPECT_TRUE(backend.route("es", "pt").empty()); // only the Brazilian variant mode exists
    EXPECT_TRUE(backend.route("zh", "en").empty());
    EXPECT_TRUE(backend.covers("en", "fr"));
    EXPECT_TRUE(backend.covers("ja", "ja"));
    EXPECT_FALSE(backend.covers("zh", "en"));
}

TEST(ApertiumBackendTest, RealSentencesThroughWarmPipelines)
{
    if (!ApertiumBackend::installed(kModes))
        GTEST_SKIP() << "Apertium is not installed (scripts/setup.sh installs apertium and its pairs)";
    ApertiumBackend backend(ApertiumOptions{kModes});
    struct Case {
        const char* text;
        const char* source;
        const char* target;
        const char* expected;
    };
    for (const Case& c : {
             Case{"The weather is nice today", "en", "es", "El tiempo es bueno hoy"},
             // The same warm pipeline again; an unknown word comes back without a mark.
             Case{"The weather is nice, zorblax", "en", "es", "El tiempo es bueno, zorblax"},
             Case{"The house is big", "en", "fr", "La maison est grande"}, // through Spanish
             Case{"a [b] <c> ~d\nThe dog", "en", "es", "Un [b] <c> ~d\nEl perro"},
         }) {
        const BackendResult result = backend.translate(request(c.text, c.source, c.target));
        ASSERT_TRUE(result.ok) << result.error;
        EXPECT_EQ(result.text, c.expected) << c.text;
    }
}
