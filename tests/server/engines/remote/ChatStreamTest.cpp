// The chat model's streamed reply read from bytes cut anywhere: each feed gives the text that
// became complete in it.

#include "server/engines/remote/ChatStream.h"

#include <gtest/gtest.h>

using quillo::server::ChatStream;

TEST(ChatStream, GivesEachPieceWhenItsEventIsComplete)
{
    const std::string reply = ": keep-alive\r\n\r\n"
                              "data: {\"choices\":[{\"delta\":{\"role\":\"assistant\"}}]}\r\n\r\n"
                              "data: {\"choices\":[{\"delta\":{\"content\":\"你好\"}}]}\n\n"
                              "data: {\"choices\":[{\"delta\":{\"content\":\"，世界\"}}]}\r\r"
                              "data: {\"choices\":[]}\n\n"
                              "data: [DONE]\n\n";
    for (size_t cut = 1; cut <= reply.size(); cut += 7) {
        ChatStream stream;
        std::string joined;
        for (size_t at = 0; at < reply.size(); at += cut)
            joined += stream.feed(std::string_view(reply).substr(at, cut));
        EXPECT_EQ(joined, "你好，世界") << cut;
        EXPECT_EQ(stream.text(), "你好，世界");
        EXPECT_TRUE(stream.finished());
        EXPECT_TRUE(stream.unreadable().empty());
    }
    ChatStream one;
    EXPECT_EQ(one.feed("data: {\"choices\":[{\"delta\":{\"content\":\"a\"}}]}\n"), "") << "not complete before its blank line";
    EXPECT_EQ(one.feed("\n"), "a");
    ChatStream failing;
    failing.feed("data: {\"error\":{\"message\":\"model not found\"}}\n\n");
    EXPECT_EQ(failing.unreadable(), "{\"error\":{\"message\":\"model not found\"}}");
    EXPECT_FALSE(failing.finished());
}
