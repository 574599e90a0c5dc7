#include "apiclient/EventStream.h"

#include <gtest/gtest.h>

using namespace quillo;

TEST(EventStream, EventsComeOutWholeHoweverTheBytesAreCut)
{
    const QByteArray body = "event: delta\r\ndata: {\"a\":1}\r\n\r\n: comment\n\nevent: done\ndata: x\ndata: y\n\n"
                            "data: plain\n\nevent: end\ndata: {}\n\n";
    // Every cut of the body into two pieces gives the same events.
    for (qsizetype cut = 0; cut <= body.size(); ++cut) {
        EventStream stream;
        std::vector<StreamEvent> events = stream.feed(body.left(cut));
        for (StreamEvent& event : stream.feed(body.mid(cut)))
            events.push_back(std::move(event));
        ASSERT_EQ(events.size(), 4u) << "cut at " << cut;
        EXPECT_EQ(events[0].name, "delta");
        EXPECT_EQ(events[0].data, "{\"a\":1}");
        EXPECT_EQ(events[1].name, "done");
        EXPECT_EQ(events[1].data, "x\ny");
        EXPECT_EQ(events[2].name, "message");
        EXPECT_EQ(events[3].name, "end");
    }
    EventStream unfinished;
    EXPECT_TRUE(unfinished.feed("event: delta\ndata: {}\n").empty());
}
