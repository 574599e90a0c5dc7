// The component when libcurl cannot be used: run with a stand-in libcurl.so.4 that lacks curl's
// functions ahead of the real one on the library search path (see CMakeLists.txt).
#include "EventRecorder.h"
#include "LoopbackServer.h"

#include "http/AddressSplit.h"
#include "http/CurlApi.h"
#include "http/TWebRequest.h"

#include <gtest/gtest.h>

using namespace quillo;
using namespace quillo::test;

TEST(WithoutCurl, RequestsFailAsUnreachableAndNothingGoesOut)
{
    ASSERT_EQ(Curl(), nullptr) << "the stand-in library was not found first";
    EXPECT_TRUE(CurlUnavailableReason().contains(QLatin1String("lacks curl_"))) << CurlUnavailableReason().toStdString();

    AddressParts parts;
    EXPECT_FALSE(SplitAddress("http://127.0.0.1/", parts));

    LoopbackServer server([](Connection& c) {
        if (!c.readRequest().isEmpty())
            c.reply(200, "never");
    });
    for (int attempt = 0; attempt < 2; ++attempt) { // the second one finds the failure remembered
        TWebRequest request;
        request.setURL(server.url());
        request.setWaitThread(true);
        EventRecorder rec(request);
        EXPECT_TRUE(request.Read());
        EXPECT_EQ(rec.events, (QStringList{QStringLiteral("AnyError"), QStringLiteral("HostUnreachable")}));
        EXPECT_EQ(request.LastStatusCode(), -1);
        EXPECT_FALSE(request.Busy());
    }
    EXPECT_EQ(server.requestCount(), 0);
}
