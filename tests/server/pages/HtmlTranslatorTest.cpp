// Translating a page's text while keeping its markup, and making its links absolute.

#include "server/pages/HtmlTranslator.h"

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

using quillo::server::HtmlRefusal;
using quillo::server::HtmlTranslationLimits;
using quillo::server::HtmlTranslator;

namespace quillo::server {

// A translation equals the copy it gave; a refusal equals no copy.
bool operator==(const HtmlTranslation& translation, const std::string& page)
{
    return !translation.refusal && translation.page == page;
}

void PrintTo(const HtmlTranslation& translation, std::ostream* out)
{
    *out << (translation.refusal ? "refused: " + translation.refusal->detail : translation.page);
}

} // namespace quillo::server

namespace {

// Upper-cases ASCII letters and records every run it was given.
struct Recorder {
    std::vector<std::string> runs;
    HtmlTranslator translator(HtmlTranslationLimits limits = {})
    {
        return HtmlTranslator(
            [this](const std::string& run) -> std::optional<std::string> {
                runs.push_back(run);
                std::string out = run;
                for (char& c : out)
                    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
                return out;
            },
            limits);
    }
};

const std::string kPage = "http://example.com/dir/page.html";

HtmlTranslationLimits textLimits(size_t runs, size_t characters, size_t piece = 200000)
{
    HtmlTranslationLimits limits;
    limits.maxRuns = runs;
    limits.maxCharacters = characters;
    limits.pieceCharacters = piece;
    return limits;
}

} // namespace

TEST(HtmlTranslatorTest, TextIsTranslatedAndMarkupKept)
{
    Recorder recorder;
    HtmlTranslator translator = recorder.translator();
    const std::string html =
        "<!DOCTYPE html><html><head><title>My page</title>"
        "<style>p { content: \"keep me\"; }</style></head>\n"
        "<body class='x'><!-- a comment --><p>Hello <b>big</b>\n   world &amp; you &lt;3</p>"
        "<script>if (a < b) document.write('<p>no</p>');</script>"
        "<pre>  two  blanks </pre> 12 | 34 <textarea name=t>edit me</textarea></body></html>";
    const std::string out = translator.translate(html, kPage).page;
    EXPECT_EQ(out,
              "<!DOCTYPE html><html><head><title>MY PAGE</title>"
              "<style>p { content: \"keep me\"; }</style></head>\n"
              "<body class='x'><!-- a comment --><p>HELLO <b>BIG</b>\n   WORLD &amp; YOU &lt;3</p>"
              "<script>if (a < b) document.write('<p>no</p>');</script>"
              "<pre>  TWO  BLANKS </pre> 12 | 34 <textarea name=t>EDIT ME</textarea></body></html>");
    // Runs reach the engine as plain text: references decoded, blanks folded outside <pre>.
    EXPECT_EQ(recorder.runs, (std::vector<std::string>{"My page", "Hello", "big", "world & you <3",
                                                       "two  blanks", "edit me"}));
}

TEST(HtmlTranslatorTest, LinksBecomeAbsoluteAndTheCharsetUtf8)
{
    Recorder recorder;
    HtmlTranslator translator = recorder.translator();
    const std::string html =
        "<meta charset=gbk><meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">"
        "<a href=\"../up.html?a=1&amp;b=2\">x</a><a href='#top'>t</a>"
        "<a href=\"mailto:me@example.com\">m</a><img src=img/p.png alt=\"a > b\">"
        "<form action=/post></form><base href=\"http://cdn.example.org/base/\"><a href=next>n</a>";
    EXPECT_EQ(translator.translate(html, kPage),
              "<meta charset=\"utf-8\"><meta http-equiv=\"Content-Type\" "
              "content=\"text/html; charset=utf-8\">"
              "<a href=\"http://example.com/up.html?a=1&amp;b=2\">X</a><a href='#top'>T</a>"
              "<a href=\"mailto:me@example.com\">M</a>"
              "<img src=\"http://example.com/dir/img/p.png\" alt=\"a > b\">"
              "<form action=\"http://example.com/post\"></form>"
              "<base href=\"http://cdn.example.org/base/\"><a href=\"http://cdn.example.org/base/next\">N</a>");
}

TEST(HtmlTranslatorTest, BrokenPagesPassThroughWithoutHarm)
{
    Recorder recorder;
    HtmlTranslator translator = recorder.translator();
    EXPECT_EQ(translator.translate("a < b and <unclosed attr=\"x>", kPage), "A &lt; B AND <unclosed attr=\"x>");
    EXPECT_EQ(translator.translate("<!-- never closed <p>text</p>", kPage), "<!-- never closed <p>text</p>");
    EXPECT_EQ(translator.translate("<script>never closed <p>x</p>", kPage), "<script>never closed <p>x</p>");
    EXPECT_EQ(translator.translate("", kPage), "");
    // References are decoded as browsers decode them before the engine sees the text.
    recorder.runs.clear();
    EXPECT_EQ(translator.translate("<p>&#20013;&#x6587;&bogus;&#0;&</p>", kPage),
              "<p>中文&amp;BOGUS;\xEF\xBF\xBD&amp;</p>");
    EXPECT_EQ(recorder.runs, std::vector<std::string>{"中文&bogus;\xEF\xBF\xBD&"});
}

TEST(HtmlTranslatorTest, LimitsAndEngineFailureLeaveTheRestUntranslated)
{
    Recorder recorder;
    HtmlTranslator limited = recorder.translator(textLimits(2, 1000));
    EXPECT_EQ(limited.translate("<p>one</p><p>two</p><p>three</p>", kPage),
              "<p>ONE</p><p>TWO</p><p>three</p>");
    EXPECT_EQ(limited.translatedRuns(), 2u);

    int calls = 0;
    HtmlTranslator failing([&calls](const std::string&) -> std::optional<std::string> {
        ++calls;
        return std::nullopt;
    });
    EXPECT_EQ(failing.translate("<p>one</p><p>two</p>", kPage), "<p>one</p><p>two</p>");
    EXPECT_TRUE(failing.engineFailed());
    EXPECT_EQ(calls, 1); // a failed engine is not asked again for the same page
}

std::string repeated(const std::string& pattern, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i) {
        std::string item = pattern;
        if (const size_t at = item.find('#'); at != std::string::npos)
            item.replace(at, 1, std::to_string(i));
        out += item;
    }
    return out;
}

// Markup that costs the parser far more than its size is refused before the parse (nesting,
// attributes) or stopped during it (memory, processor time); pages as people write them, however
// long their runs of elements that close one another, are not.
TEST(HtmlTranslatorTest, PagesAreRefusedByWhatTheirParseWouldCost)
{
    using Kind = HtmlRefusal::Kind;
    HtmlTranslationLimits smallParse;
    smallParse.parse.memoryBytes = 16 << 20;
    HtmlTranslationLimits noTime;
    noTime.parse.processorTime = std::chrono::milliseconds(0);
    const struct {
        const char* name;
        std::string page;
        HtmlTranslationLimits limits;
        std::optional<Kind> refused;
    } cases[] = {
        {"unclosed formatting elements", "<div>" + repeated("<b id=#>", 4000) + "</div>" + repeated("<div>x</div>", 4000),
         {}, Kind::TooDeep},
        {"nested blocks", repeated("<div>", 513) + "x", {}, Kind::TooDeep},
        {"attributes on one tag", "<p " + repeated(" a#=1", 1001) + ">x</p>", {}, Kind::TooManyAttributes},
        {"formatting elements reopened within the depth", "<div>" + repeated("<b id=#>", 400) + "</div>"
             + repeated("<div>x</div>", 2000), smallParse, Kind::TooMuchMemory},
        {"a plain page beyond the processor time", repeated("<p>x</p>", 1000), noTime, Kind::TooMuchTime},
        {"blocks at the depth browsers keep", repeated("<div>", 511) + "x", {}, std::nullopt},
        {"attributes up to the limit", "<p " + repeated(" a#=1", 1000) + ">x</p>", {}, std::nullopt},
        {"siblings that close one another",
         "<ul>" + repeated("<li>x<p>y", 600) + "</ul><dl>" + repeated("<dt>a<dd>b", 600) + "</dl><select>"
             + repeated("<optgroup><option>o", 600) + "</select><table>" + repeated("<tr><td>c<th>d", 600)
             + "</table>" + repeated("<h2>e", 600) + repeated("<p>f<hr>", 600),
         {}, std::nullopt},
        {"raw text, comments and foreign content", "<svg>" + repeated("<g/><path d='M0'/>", 600) + "</svg>"
             + repeated("<script><div></script><!--<div>--><textarea><div></textarea><br><img>", 600) + "x",
         {}, std::nullopt},
    };
    Recorder recorder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HtmlTranslator translator = recorder.translator(c.limits);
        const auto translated = translator.translate(c.page, kPage);
        ASSERT_EQ(translated.refusal.has_value(), c.refused.has_value())
            << (translated.refusal ? translated.refusal->detail : "translated");
        if (c.refused) {
            EXPECT_EQ(translated.refusal->kind, *c.refused);
            EXPECT_NE(translated.refusal->sentence.find("不予翻译"), std::string::npos);
        } else {
            EXPECT_NE(translated.page.find('X'), std::string::npos);
        }
    }
}

TEST(HtmlTranslatorTest, RunsGoTogetherInPiecesAndWhatIsLeftIsCounted)
{
    std::vector<std::vector<std::string>> calls;
    auto upper = [&calls](const std::vector<std::string>& runs) {
        calls.push_back(runs);
        std::vector<std::optional<std::string>> out;
        for (std::string run : runs) {
            for (char& c : run)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            out.emplace_back(run);
        }
        return out;
    };
    const std::string page = "<p>one</p><p>two</p><p>one</p><p>three</p><p>four</p>";
    struct Case {
        HtmlTranslationLimits limits;
        std::vector<std::vector<std::string>> calls; // a repeated run is sent once per piece
        std::string out;
        size_t untranslated;
    };
    for (const Case& c : {
             Case{{}, {{"one", "two", "three", "four"}},
                  "<p>ONE</p><p>TWO</p><p>ONE</p><p>THREE</p><p>FOUR</p>", 0},
             Case{textLimits(20000, 1000000, 8), {{"one", "two"}, {"one", "three"}, {"four"}},
                  "<p>ONE</p><p>TWO</p><p>ONE</p><p>THREE</p><p>FOUR</p>", 0},
             Case{textLimits(3, 1000000), {{"one", "two"}},
                  "<p>ONE</p><p>TWO</p><p>ONE</p><p>three</p><p>four</p>", 2},
             Case{textLimits(20000, 10), {{"one", "two"}},
                  "<p>ONE</p><p>TWO</p><p>ONE</p><p>three</p><p>four</p>", 2},
         }) {
        calls.clear();
        HtmlTranslator translator(upper, c.limits);
        EXPECT_EQ(translator.translate(page, kPage), c.out);
        EXPECT_EQ(calls, c.calls);
        EXPECT_EQ(translator.untranslatedRuns(), c.untranslated);
        EXPECT_EQ(translator.limitReached(), c.untranslated > 0);
        EXPECT_FALSE(translator.engineFailed());
    }

    // An engine that answers a piece short: the runs without an answer and every later piece
    // stay as they are, and are counted.
    calls.clear();
    HtmlTranslator failing(
        [&](const std::vector<std::string>& runs) {
            auto out = upper(runs);
            out.resize(1);
            return out;
        },
        textLimits(20000, 1000000, 8));
    EXPECT_EQ(failing.translate(page, kPage), "<p>ONE</p><p>two</p><p>one</p><p>three</p><p>four</p>");
    EXPECT_EQ(calls.size(), 1u);
    EXPECT_TRUE(failing.engineFailed());
    EXPECT_EQ(failing.untranslatedRuns(), 4u);
}
