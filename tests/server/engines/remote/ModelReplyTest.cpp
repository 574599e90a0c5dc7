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
