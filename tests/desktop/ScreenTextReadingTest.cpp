// Where the text read off a picture goes, on the offscreen platform against quillo-server's echo
// backend: to the popup and its translation at once, or, when the user corrects first or dropped
// the picture on the main window, into the main window's source box only.
#include "WaitUntil.h"
#include "../e2e/EngineFixture.h"
#include "DesktopTestTools.h"
#include "QuilloServerProcess.h"
#include "app/ScreenTextReading.h"
#include "app/TranslateAnywhere.h"
#include "desktop/ResultPopup.h"

#include <QPlainTextEdit>
#include <QSignalSpy>

using namespace quillo;
using namespace quillo::test;

namespace {

class ScreenTextReadingTest : public EngineTest
{
};

} // namespace

TEST_F(ScreenTextReadingTest, ReadTextIsTranslatedInThePopupOrWaitsThereToBeCorrected)
{
    FreshQuilloServer server;
    ASSERT_TRUE(server.listening()) << server.failure().toStdString();
    auto form = showFormFor(server.base());
    choose(*form, BabelFish, test::English, test::French);
    const QString text = QStringLiteral("Quiet rivers run deep");
    const struct
    {
        const char* name;
        bool translateAtOnce;
        bool dropped;
        bool inPopup;
        bool translated;
    } cases[] = {
        {"translated at once", true, false, true, true},
        {"corrected first", false, false, true, false},
        {"dropped on the source box", true, true, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        form->sourceText->clear();
        TranslateAnywhere anywhere(form.get(), DesktopChoices{});
        anywhere.Hooks.detectLanguage = [](const QString&) { return int(test::English); };
        ScreenTextReading reading(&anywhere, form->sourceText);
        DesktopChoices choices;
        choices.ocrLanguages = QStringLiteral("en");
        choices.ocrTranslateAtOnce = c.translateAtOnce;
        reading.ApplyChoices(choices);
        QSignalSpy placed(&reading, &ScreenTextReading::textPlaced);

        reading.ReadPicture(PictureOfText(text), c.dropped);
        ASSERT_TRUE(placed.wait(30000));
        EXPECT_EQ(placed.first().first().toString(), text);
        EXPECT_EQ(form->sourceText->toPlainText(), c.inPopup ? QString() : text);
        EXPECT_EQ(anywhere.Popup->isVisible(), c.inPopup);
        if (c.inPopup) {
            EXPECT_EQ(anywhere.Popup->SourceText(), text);
        }
        if (c.translated) {
            ASSERT_EVENTUALLY_EQ_WITHIN(anywhere.Popup->ResultText(), QStringLiteral("[fr] ") + text, 15000);
        } else if (c.inPopup) {
            // Nothing asked yet: the popup tells the user that an edit translates.
            EXPECT_EQ(anywhere.Popup->WaitLabel->text(), QStringLiteral("修改原文后将自动翻译。"));
            EXPECT_FALSE(anywhere.Popup->ResultText().startsWith(QStringLiteral("[fr]")));
        }
    }
}
