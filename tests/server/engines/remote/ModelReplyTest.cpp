// What is taken off a chat model's reply, and what is left alone.

#include "server/engines/remote/ModelReply.h"
#include "server/engines/remote/TextPieces.h"

#include <gtest/gtest.h>

using namespace quillo::server;

TEST(ModelReplyTest, TakesOffOnlyWrappingItIsSureOf)
{
    struct Case {
        const char* reply;
        const char* source;
        const char* expected;
    };
    const Case cases[] = {
        {"Good morning", "早上好", "Good morning"},
        {"  Good morning\n", "早上好", "Good morning"},
        {"\"Good morning\"", "早上好", "Good morning"},
        {"“早上好”", "Good morning", "早上好"},
        {"\"Good morning\"", "\"早上好\"", "\"Good morning\""},           // the source was quoted too
        {"\"a\" and \"b\"", "甲和乙", "\"a\" and \"b\""},                  // marks belong to the text
        {"<think>the user wants...</think>\n\nHello", "你好", "Hello"},
        {"Here is the translation:\nHello", "你好", "Hello"},
        {"Translation: Hello", "你好", "Translation: Hello"},             // one line: may be the text
        {"Notes:\nHello", "你好", "Notes:\nHello"},
        {"```\nHello\n```", "你好", "Hello"},
        {"```\nint x;\n```", "```\nint x;\n```", "```\nint x;\n```"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CleanModelReply(c.reply, c.source), c.expected) << c.reply;
}

TEST(TextPiecesTest, PiecesJoinBackToTheTextAndKeepToTheBudget)
{
    const std::string texts[] = {"", "one line", "\n\nlead\n", "a\nb\n\nc  \n  d\r\n\r\ne", std::string(50, 'x') + "\ny",
                                 "a\r", "a\n  ", "  "}; // blanks at the very end
    for (const std::string& text : texts) {
        std::string joined;
        for (const TextPiece& piece : SplitIntoPieces(text, 10)) {
            joined += piece.text + piece.gap;
            EXPECT_TRUE(piece.text.size() <= 10 || piece.text.find('\n') == std::string::npos) << piece.text;
        }
        EXPECT_EQ(joined, text);
    }
    const auto pieces = SplitIntoPieces("ab\ncd\n\nef", 100);
    ASSERT_EQ(pieces.size(), 1u);
    EXPECT_EQ(pieces[0].text, "ab\ncd\n\nef");
}

// However the pieces cut the reply, what is passed on is the reply without its reasoning block.
TEST(ModelReplyTest, StreamedReasoningIsHeldBackWhereverThePiecesCut)
{
    const std::pair<std::string, std::string> cases[] = {
        {"<think>the user wants German</think>\n\nGuten Morgen", "Guten Morgen"},
        {"  \n<think>a</think>Hallo", "Hallo"},
        {"Hallo <think>x</think>", "Hallo <think>x</think>"}, // not at the start: the text's own
        {"<thin", "<thin"},
        {"<think>never closed", "<think>never closed"},
        {"Guten Morgen", "Guten Morgen"},
    };
    for (const auto& [reply, expected] : cases) {
        for (size_t size = 1; size <= reply.size(); ++size) {
            ReasoningFilter filter;
            std::string shown;
            for (size_t at = 0; at < reply.size(); at += size)
                shown += filter.feed(std::string_view(reply).substr(at, size));
            shown += filter.finish();
            EXPECT_EQ(shown, expected) << reply << " in pieces of " << size;
        }
    }
}

TEST(TextPiecesTest, PiecesWithinBytesEndAtSentencesAndNeverSplitACharacter)
{
    const std::string texts[] = {"一二三。四五六。七八九。", "abc def. ghi jkl", "一二三四五六七八九十", "x\n\n一二三。四五"};
    for (const std::string& text : texts) {
        std::string joined;
        for (const TextPiece& piece : SplitWithinBytes(text, 10)) {
            EXPECT_LE(piece.text.size(), 10u) << piece.text;
            EXPECT_NE(static_cast<unsigned char>(piece.text.front()) & 0xC0, 0x80) << piece.text; // starts a character
            joined += piece.text + piece.gap;
        }
        EXPECT_EQ(joined, text);
    }
    const auto sentences = SplitWithinBytes("一二三。四五六。七八九。", 12);
    ASSERT_EQ(sentences.size(), 3u);
    EXPECT_EQ(sentences[1].text, "四五六。");
    const auto words = SplitWithinBytes("abc def. ghi jkl", 10);
    EXPECT_EQ(words[0].text, "abc def.");
    EXPECT_EQ(words[0].gap, " ");
}
