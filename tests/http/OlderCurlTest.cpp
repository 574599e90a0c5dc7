// The component with a libcurl that behaves like an older release (see ForwardingCurl.cpp and
// CMakeLists.txt): a refused option fails the request at once instead of leaving it without its
// stall timer, and a library older than the oldest supported one is not used at all.
#include "EventRecorder.h"
#include "LoopbackServer.h"

#include "http/CurlApi.h"
#include "http/TWebRequest.h"

#include <gtest/gtest.h>

using namespace quillo;
using namespace quillo::test;

namespace {

// The events of a request to a server that accepts it and then says nothing; the server must
// not have seen the request either, since nothing may go out without its options.
QStringList silentServerEvents()
{
    // Accepts, reads the request, then says nothing until the test ends.
    LoopbackServer server([](Connection& c) {
        c.readRequest();
        c.waitForGate();
    });
    TWebRequest request;
    request.setURL(server.url());
    request.setWaitThread(true);
    EventRecorder rec(request);
    request.Read();
    server.openGate();
    EXPECT_FALSE(request.Busy());
    EXPECT_EQ(server.requestCount(), 0);
    return rec.events;
}

} // namespace

TEST(OlderCurl, RefusedOptionFailsTheRequestAtOnce)
{
    ASSERT_NE(Curl(), nullptr) << CurlUnavailableReason().toStdString();
    EXPECT_EQ(silentServerEvents(), (QStringList{QStringLiteral("AnyError"), QStringLiteral("HostUnreachable")}));
}

TEST(OlderCurl, TooOldLibraryIsNotUsed)
{
    EXPECT_EQ(Curl(), nullptr);
    EXPECT_TRUE(CurlUnavailableReason().contains(QLatin1String("7.79.1 is older than 7.85.0")))
        << CurlUnavailableReason().toStdString();
    EXPECT_EQ(silentServerEvents(), (QStringList{QStringLiteral("AnyError"), QStringLiteral("HostUnreachable")}));
}
