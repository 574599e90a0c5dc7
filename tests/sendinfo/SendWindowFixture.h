#pragma once
// A feedback window pointed at a test's server, with a fixed clock and identifier, and the
// message boxes it shows answered and noted, together with the screen cursor while each was up.
#include "../ui/ModalAnswer.h"
#include "sendinfo/FeedbackWindow.h"
#include "ui/ScreenCursor.h"
#include "ui/SkinControls.h"

#include <QTest>
#include <gtest/gtest.h>
#include <functional>
#include <memory>

namespace quillo::test {

class SendWindowTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        SetScreenCursor(crDefault);
        qunsetenv("QUILLO_SERVICE");
    }

    // `service` is the base address the window posts to.
    std::unique_ptr<FeedbackWindow> openWindow(const QString& service)
    {
        qputenv("QUILLO_SERVICE", service.toUtf8());
        auto window = std::make_unique<FeedbackWindow>();
        window->session()->Now = [] { return QDateTime(QDate(2006, 6, 12), QTime(10, 30)); };
        window->session()->InstallationIdentifier = [] { return QByteArray("HOME42"); };
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        return window;
    }

    static void fill(FeedbackWindow& window, const QString& title, const QString& contact, const QString& text)
    {
        window.subjectEdit->setText(title);
        window.contactEdit->setText(contact);
        window.messageText->setPlainText(text);
    }

    // Waits for the `count`th message box to have been answered.
    bool waitForBoxes(int count, int timeoutMs = 10000)
    {
        return QTest::qWaitFor([&] { return answer.count() >= count && !QApplication::activeModalWidget(); },
                               timeoutMs);
    }

    QList<int> cursorsWhileBoxesShown;
    // Runs while each box is up, before it is answered.
    std::function<void()> whileBoxShown;
    ModalAnswer answer{[this](QWidget* box) {
        cursorsWhileBoxesShown.append(ScreenCursor());
        if (whileBoxShown)
            whileBoxShown();
        box->close();
    }};
};

} // namespace quillo::test
