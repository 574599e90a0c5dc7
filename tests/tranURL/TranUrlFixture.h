#pragma once
// The web page translation window against a real service: the browser is replaced by a URL
// handler that notes every address the window hands to the desktop, and message boxes are
// answered (and noted) as they open.
#include "ModalAnswer.h"
#include "ServiceProcess.h"
#include "UrlCatcher.h"
#include "tranURL/PageTranslationWindow.h"

#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>
#include <memory>

namespace quillo::test {

// Points the program at another service for as long as it lives.
class ServiceOverride
{
public:
    explicit ServiceOverride(const QString& base)
        : m_previous(qgetenv("QUILLO_SERVICE"))
    {
        qputenv("QUILLO_SERVICE", base.toUtf8());
    }
    ~ServiceOverride() { qputenv("QUILLO_SERVICE", m_previous); }
    ServiceOverride(const ServiceOverride&) = delete;
    ServiceOverride& operator=(const ServiceOverride&) = delete;

private:
    QByteArray m_previous;
};

class TranUrlTest : public ::testing::Test
{
protected:
    static constexpr int kLimitMs = 15000;

    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    // A fresh window, shown (not modal: the test drives it from outside).
    std::unique_ptr<PageTranslationWindow> showWindow();
    // Types the address into the box and presses the start button.
    static void start(PageTranslationWindow& window, const QString& address);
    static bool waitIdle(PageTranslationWindow& window);
    static bool waitClosed(PageTranslationWindow& window);
    // The one address handed to the browser; fails the test when there was not exactly one.
    QUrl openedAddress() const;

    static std::unique_ptr<ServiceProcess> s_service;
    UrlCatcher m_openings;
    std::unique_ptr<ModalAnswer> m_boxes;
};

} // namespace quillo::test
