#include "core/ServiceAddresses.h"
#include "http/TWebRequest.h"
#include "session/TranslationRequests.h"

#include <QCoreApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

namespace quillo {
namespace {

// The run's address as a deferred future: computed, and counted, only when something asks for it.
class LateAddress : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_service = qgetenv("QUILLO_SERVICE");
        qunsetenv("QUILLO_SERVICE");
        SetRunServiceBase(std::async(std::launch::deferred, [this] {
            ++asked;
            return QStringLiteral("http://127.0.0.1:4321");
        }).share());
    }
    void TearDown() override
    {
        SetRunServiceBase({});
        if (!m_service.isEmpty())
            qputenv("QUILLO_SERVICE", m_service);
    }
    std::atomic<int> asked{0};

private:
    QByteArray m_service;
};

// What a window builds at start does not ask for the address: the program's own server may still
// be starting. The texts that name it are made when a request needs them.
TEST_F(LateAddress, RequestsAskForTheAddressWhenUsed)
{
    TWebRequest plain;
    std::unique_ptr<TWebRequest> translation(TranslationRequest("WebRequest1", nullptr));
    EXPECT_EQ(asked, 0);
    EXPECT_TRUE(plain.Agent().contains(QStringLiteral("127.0.0.1:4321")));
    EXPECT_TRUE(translation->Referer().startsWith(QStringLiteral("http://127.0.0.1:4321")));
    EXPECT_EQ(asked, 1);
}

TEST_F(LateAddress, WhenKnownRunsOnceSettledAndNotForAContextGone)
{
    std::promise<QString> address;
    SetRunServiceBase(address.get_future().share());
    QObject window;
    int shown = 0;
    WhenServiceBaseKnown(&window, [&] { ++shown; });
    auto gone = std::make_unique<QObject>();
    int lost = 0;
    WhenServiceBaseKnown(gone.get(), [&] { ++lost; });
    gone.reset();
    QCoreApplication::processEvents();
    EXPECT_EQ(shown, 0);
    address.set_value(QStringLiteral("http://127.0.0.1:4321"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return shown == 1; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(lost, 0);
    WhenServiceBaseKnown(&window, [&] { ++shown; }); // settled now: at once
    EXPECT_EQ(shown, 2);
}

} // namespace
} // namespace quillo
