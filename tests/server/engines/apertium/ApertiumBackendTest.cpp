// The Apertium backend: its stream escaping, its routes through Spanish and, where Apertium is
// installed (scripts/setup.sh installs it), real sentences through warm pipelines.

#include "server/engines/apertium/ApertiumBackend.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

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
    // A direction whose stages cannot all run is left out rather than left to time out.
    QFile broken(modes.filePath(QStringLiteral("ita-spa.mode")));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("sh -c cat | quillo-no-such-stage -w x.bin | sh -c cat");
    broken.close();
    ApertiumOptions options{modes.path().toStdString()};
    options.limits.maxWarm = 0; // empty stand-ins: nothing to start
    const ApertiumBackend backend(options);
    EXPECT_EQ(backend.route("en", "es"), (std::vector<std::string>{"eng-spa"}));
    EXPECT_EQ(backend.route("en", "fr"), (std::vector<std::string>{"eng-spa", "es-fr"}));
    EXPECT_EQ(backend.route("fr", "it"), (std::vector<std::string>{"fr-es", "spa-ita"}));
    EXPECT_TRUE(backend.route("it", "en").empty()); // no ita-spa direction that can run here
    EXPECT_TRUE(backend.route("it", "es").empty());
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

namespace {

// Directions whose "pipeline" is cat behind a script that notes each start in a log, so the
// keeping of pipelines can be watched without Apertium's data and without asking the backend.
class StandInDirections {
public:
    explicit StandInDirections(std::initializer_list<const char*> modes)
    {
        for (const char* mode : modes) {
            const QString stage = dir_.filePath(QStringLiteral("stage-") + QString::fromLatin1(mode));
            QFile script(stage);
            EXPECT_TRUE(script.open(QIODevice::WriteOnly));
            script.write("#!/bin/sh\necho " + QByteArray(mode) + " >> '" + startsLog().toUtf8()
                         + "'\nexec cat\n");
            script.close();
            script.setPermissions(script.permissions() | QFileDevice::ExeOwner);
            QFile modeFile(dir_.filePath(QString::fromLatin1(mode) + QStringLiteral(".mode")));
            EXPECT_TRUE(modeFile.open(QIODevice::WriteOnly));
            modeFile.write(stage.toUtf8());
        }
    }

    std::string path() const { return dir_.path().toStdString(); }

    QStringList starts() const
    {
        QFile log(startsLog());
        if (!log.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(log.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

    // Liveness only: the bound is far above any start, so it fails only when none happens.
    static bool waitFor(const std::function<bool()>& done)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!done() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return done();
    }

private:
    QString startsLog() const { return dir_.filePath(QStringLiteral("starts.log")); }
    QTemporaryDir dir_;
};

ApertiumOptions standInOptions(const StandInDirections& directions, PipelineLimits limits)
{
    ApertiumOptions options{directions.path()};
    options.limits = limits;
    return options;
}

} // namespace

TEST(ApertiumBackendTest, TheFirstDirectionsUpToTheCapStartWithoutARequest)
{
    if (!ApertiumBackend::installed(kModes))
        GTEST_SKIP() << "Apertium's tools are not installed";
    StandInDirections directions{"en-es", "es-en", "es-fr", "fr-es"};
    ApertiumBackend backend(standInOptions(directions, {std::chrono::milliseconds(0), 2}));
    ASSERT_TRUE(StandInDirections::waitFor([&] { return backend.warmDirections().size() == 2; }));
    EXPECT_EQ(backend.warmDirections(), (std::vector<std::string>{"en-es", "es-en"}));
    ASSERT_TRUE(StandInDirections::waitFor([&] { return directions.starts().size() == 2; }));
    EXPECT_EQ(directions.starts(), (QStringList{QStringLiteral("en-es"), QStringLiteral("es-en")}));
}

TEST(ApertiumBackendTest, NoMoreThanTheCapStayWarmAndTheLeastRecentlyUsedGoes)
{
    if (!ApertiumBackend::installed(kModes))
        GTEST_SKIP() << "Apertium's tools are not installed";
    StandInDirections directions{"en-es", "es-en", "es-fr", "fr-es"};
    ApertiumBackend backend(standInOptions(directions, {std::chrono::milliseconds(0), 2}));
    ASSERT_TRUE(StandInDirections::waitFor([&] { return backend.warmDirections().size() == 2; }));
    struct Step {
        const char* source;
        const char* target;
        std::vector<std::string> warmAfter;
    };
    for (const Step& step : {
             Step{"fr", "es", {"es-en", "fr-es"}}, // en-es, warmed first, rested longest
             Step{"en", "fr", {"en-es", "es-fr"}}, // through Spanish: two starts, two ends
             Step{"es", "en", {"es-en", "es-fr"}},
         }) {
        const BackendResult result = backend.translate(request("a b", step.source, step.target));
        ASSERT_TRUE(result.ok) << result.error;
        EXPECT_EQ(result.text, "a b");
        EXPECT_EQ(backend.warmDirections(), step.warmAfter) << step.source << step.target;
    }
}

TEST(ApertiumBackendTest, APreparedPairStartsOnlyItsDirectionsAndTheyEndWhenIdle)
{
    if (!ApertiumBackend::installed(kModes))
        GTEST_SKIP() << "Apertium's tools are not installed";
    StandInDirections directions{"en-es", "es-en", "es-fr", "fr-es"};
    ApertiumBackend backend(standInOptions(directions, {std::chrono::milliseconds(300), 2, false}));
    backend.prepare("zh", "en"); // no direction serves it
    backend.prepare("en", "fr"); // through Spanish
    ASSERT_TRUE(StandInDirections::waitFor([&] { return backend.warmDirections().size() == 2; }));
    EXPECT_EQ(backend.warmDirections(), (std::vector<std::string>{"en-es", "es-fr"}));
    // Nothing is sent after the start: the keeper wakes for the idle time by itself.
    EXPECT_TRUE(StandInDirections::waitFor([&] { return backend.warmDirections().empty(); }));
    EXPECT_EQ(directions.starts().size(), 2);
}

TEST(ApertiumBackendTest, RequestsMeetingTheIdleTimerAllSucceed)
{
    if (!ApertiumBackend::installed(kModes))
        GTEST_SKIP() << "Apertium's tools are not installed";
    StandInDirections directions{"en-es"};
    // The timer fires every few milliseconds and ends whatever has rested a millisecond, so
    // requests keep arriving while the pipeline is being ended or has just been.
    ApertiumBackend backend(standInOptions(directions, {std::chrono::milliseconds(1), 1}));
    std::vector<std::thread> clients;
    std::atomic<int> failures{0};
    for (int client = 0; client < 3; ++client) {
        clients.emplace_back([&, client] {
            for (int i = 0; i < 60; ++i) {
                const std::string text = std::to_string(client) + " " + std::to_string(i);
                const BackendResult result = backend.translate(request(text, "en", "es"));
                if (!result.ok || result.text != text)
                    ++failures;
                std::this_thread::sleep_for(std::chrono::milliseconds((i * 7 + client) % 9));
            }
        });
    }
    for (std::thread& client : clients)
        client.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_GT(directions.starts().size(), 2) << "the idle timer never ended the pipeline in between";
}

TEST(ApertiumBackendTest, ManyTextsInOneExchangeComeBackEachInItsPlace)
{
    if (!ApertiumBackend::installed(kModes))
        GTEST_SKIP() << "Apertium is not installed (scripts/setup.sh installs apertium and its pairs)";
    ApertiumBackend backend(ApertiumOptions{kModes});
    const std::vector<std::string> special{"<b>bold</b> & <i>", "[the] {cat} ~ ^sleeps$ @home / \\", "",
                                           "  ", "The dog.\nThe cat.", std::string("a\0b", 3)};
    std::vector<std::string> texts = special;
    for (int i = 0; i < 2500; ++i) // more than one exchange's worth
        texts.push_back("The house number " + std::to_string(i) + " is big");
    for (const char* target : {"es", "fr"}) { // one direction, and two through Spanish
        const auto many = backend.translateMany(request({}, "en", target), texts);
        ASSERT_EQ(many.size(), texts.size());
        for (size_t i = 0; i < texts.size(); ++i) {
            ASSERT_TRUE(many[i].ok) << many[i].error;
            if (i >= special.size()) {
                EXPECT_NE(many[i].text.find(std::to_string(i - special.size())), std::string::npos) << many[i].text;
            }
        }
        // Each text is a record of its own: the same words as when it goes alone.
        for (size_t i = 0; i < texts.size(); i += i < special.size() ? 1 : 499) {
            const BackendResult alone = backend.translate(request(texts[i], "en", target));
            ASSERT_TRUE(alone.ok) << alone.error;
            EXPECT_EQ(many[i].text, alone.text) << texts[i];
        }
    }
}

TEST(ApertiumBackendTest, ALostOrSplitRecordFailsAloneAndShiftsNoOther)
{
    if (!ApertiumBackend::installed(kModes))
        GTEST_SKIP() << "Apertium's tools are not installed";
    // A stand-in direction that drops a record holding DROP, cuts one holding SPLIT in two, and
    // upper-cases "p".
    QTemporaryDir modes;
    QFile mode(modes.filePath(QStringLiteral("eng-spa.mode")));
    ASSERT_TRUE(mode.open(QIODevice::WriteOnly));
    mode.write("sed -u -z '/DROP/d' | sed -u -z 's/SPLIT/\\x00/' | sed -u -z 's/p/P/g'\n");
    mode.close();
    ApertiumOptions options{modes.path().toStdString()};
    options.timeout = std::chrono::seconds(10);
    ApertiumBackend backend(options);
    const auto results = backend.translateMany(request({}, "en", "es"),
                                               {"pepper", "DROP p", "papaya", "one SPLIT p", "[p]", "pop"});
    const std::vector<std::pair<bool, std::string>> expected{
        {true, "PePPer"}, {false, ""}, {true, "PaPaya"}, {false, ""}, {true, "[P]"}, {true, "PoP"}};
    ASSERT_EQ(results.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(results[i].ok, expected[i].first) << i;
        EXPECT_EQ(results[i].text, expected[i].second) << i;
    }
    // Nothing of the split record is left over for the next exchange.
    EXPECT_EQ(backend.translate(request("pepper", "en", "es")).text, "PePPer");
}
