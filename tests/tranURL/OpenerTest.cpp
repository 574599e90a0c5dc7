// The main window's "网站翻译" command: every opening is a fresh window (the address empty, the
// languages those chosen last time), and closing it in the middle of a request leaves nothing
// running behind.
#include "LoopbackServer.h"
#include "MainFormFixture.h"
#include "ModalAnswer.h"

#include "http/TWebRequest.h"
#include "tranURL/PageTranslationWindow.h"
#include "ui/SkinControls.h"

#include <QPointer>

namespace quillo::test {

TEST_F(MainFormTest, WebPageWindowStartsAfreshAtEveryOpening)
{
    // Holds the request so that the first window is closed while it runs.
    LoopbackServer server([](Connection& connection) {
        if (!connection.readRequest().isEmpty())
            connection.waitForGate();
    });
    const QByteArray previousService = qgetenv("QUILLO_SERVICE");
    qputenv("QUILLO_SERVICE", server.url(QString()).toUtf8());

    auto form = showForm();
    struct Seen
    {
        QPointer<PageTranslationWindow> window;
        QString address, source, target;
        bool requesting = false;
    };
    QList<Seen> seen;
    QPair<QString, QString> chosen;
    ModalAnswer answer([&](QWidget* box) {
        auto* window = qobject_cast<PageTranslationWindow*>(box);
        if (!window) {
            box->close();
            return;
        }
        seen.append({window, window->addressEdit->text(), window->sourceList->currentText(),
                     window->targetList->currentText(), false});
        window->sourceList->setCurrentIndex(5);
        window->targetList->setCurrentIndex(7);
        chosen = {window->sourceList->currentText(), window->targetList->currentText()};
        window->addressEdit->setText(QStringLiteral("http://changed.example/"));
        QTest::keyClick(window->addressEdit, Qt::Key_Return);
        // Closed only once the service has the request, so that it is really in flight.
        seen.last().requesting = window->request->Busy()
            && QTest::qWaitFor([&] { return server.requestCount() == seen.size(); }, 15000);
        QTest::keyClick(window->addressEdit, Qt::Key_Escape);
    });

    form->webPageButton->click();
    form->webPageButton->click();
    server.openGate();
    EXPECT_EQ(server.requestCount(), 2);

    ASSERT_EQ(seen.size(), 2);
    EXPECT_EQ(seen[1].source, chosen.first);
    EXPECT_EQ(seen[1].target, chosen.second);
    for (const Seen& opening : seen) {
        EXPECT_EQ(opening.address, QStringLiteral("http://"));
        EXPECT_TRUE(opening.requesting);
        EXPECT_TRUE(opening.window.isNull());
    }
    EXPECT_EQ(ScreenCursor(), crDefault);
    EXPECT_EQ(form->focusWidget(), form->sourceText);
    qputenv("QUILLO_SERVICE", previousService);
}

} // namespace quillo::test
