#include "TranUrlFixture.h"

#include "http/TWebRequest.h"
#include "ui/ScreenCursor.h"
#include "ui/SkinControls.h"

namespace quillo::test {

std::unique_ptr<ServiceProcess> TranUrlTest::s_service;

void TranUrlTest::SetUpTestSuite()
{
    // Private fetches let the service translate pages that the tests serve on loopback.
    s_service = std::make_unique<ServiceProcess>(QStringList{QStringLiteral("--allow-private-fetch")});
}

void TranUrlTest::TearDownTestSuite()
{
    s_service.reset();
}

void TranUrlTest::SetUp()
{
    ASSERT_TRUE(s_service->listening()) << s_service->failure().toStdString();
    m_boxes = std::make_unique<ModalAnswer>();
}

void TranUrlTest::TearDown()
{
    m_boxes.reset();
    SetScreenCursor(crDefault);
}

std::unique_ptr<PageTranslationWindow> TranUrlTest::showWindow()
{
    auto window = std::make_unique<PageTranslationWindow>();
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    return window;
}

void TranUrlTest::start(PageTranslationWindow& window, const QString& address)
{
    window.addressEdit->setText(address);
    QTest::mouseClick(window.translateButton, Qt::LeftButton);
}

bool TranUrlTest::waitIdle(PageTranslationWindow& window)
{
    return QTest::qWaitFor([&] { return !window.request->Busy(); }, kLimitMs);
}

bool TranUrlTest::waitClosed(PageTranslationWindow& window)
{
    return QTest::qWaitFor([&] { return !window.isVisible(); }, kLimitMs);
}

QUrl TranUrlTest::openedAddress() const
{
    EXPECT_EQ(m_openings.opened.size(), 1);
    return m_openings.opened.value(0);
}

} // namespace quillo::test
