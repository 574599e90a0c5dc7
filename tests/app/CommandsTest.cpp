#include "../ui/ModalAnswer.h"
#include "MainFormFixture.h"
#include "UrlCatcher.h"
#include "core/ProductIdentity.h"
#include "sendinfo/FeedbackWindow.h"
#include "session/InformationText.h"
#include "tranURL/PageTranslationWindow.h"
#include "ui/SkinControls.h"
#include "update/UpdateWindow.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QPointer>
#include <QScrollBar>

using namespace quillo;
using quillo::test::MainFormTest;
using quillo::test::ModalAnswer;

namespace {

QImage imageOf(const QCursor& cursor)
{
    return cursor.pixmap().toImage();
}

QStringList captionsOf(const QMenu* menu)
{
    QStringList captions;
    for (const QAction* action : menu->actions())
        captions.append(action->objectName() + QLatin1Char('=') + (action->isSeparator() ? QStringLiteral("-") : action->text()));
    return captions;
}

} // namespace

TEST_F(MainFormTest, ClearAndCopyWorkOnBothBoxes)
{
    auto form = showForm();
    QApplication::clipboard()->setText(QStringLiteral("剪贴板原有内容"));
    form->resultText->clear();
    form->copyButton->click();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("剪贴板原有内容")) << "nothing to copy";

    form->resultText->setPlainText(QStringLiteral("译文\n第二行"));
    form->copyButton->click();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("译文\n第二行"));
    EXPECT_TRUE(form->resultText->textCursor().hasSelection()) << "the selection stays";
    EXPECT_EQ(form->focusWidget(), form->sourceText);

    form->sourceText->setPlainText(QStringLiteral("原文"));
    form->clearButton->click();
    EXPECT_TRUE(form->sourceText->toPlainText().isEmpty());
    EXPECT_TRUE(form->resultText->toPlainText().isEmpty());
    EXPECT_EQ(form->focusWidget(), form->sourceText);
}

TEST_F(MainFormTest, ClickingEitherLanguageLabelSwapsThePairOfTheEngineAndTwiceRestoresIt)
{
    auto form = showForm();
    form->engineList->setCurrentIndex(0);
    form->worldLingoSourceList->setCurrentIndex(4);
    form->targetList->setCurrentIndex(8);
    form->textServiceSourceList->setCurrentIndex(11);
    QTest::mouseClick(form->sourceLanguageLabel, Qt::LeftButton);
    EXPECT_EQ(form->worldLingoSourceList->currentIndex(), 8);
    EXPECT_EQ(form->targetList->currentIndex(), 4);
    QTest::mouseClick(form->targetLanguageLabel, Qt::LeftButton);
    EXPECT_EQ(form->worldLingoSourceList->currentIndex(), 4);
    EXPECT_EQ(form->targetList->currentIndex(), 8);
    EXPECT_EQ(form->textServiceSourceList->currentIndex(), 11) << "the other engine's list is left alone";

    form->engineList->setCurrentIndex(1);
    QTest::mouseClick(form->targetLanguageLabel, Qt::LeftButton);
    EXPECT_EQ(form->textServiceSourceList->currentIndex(), 8);
    EXPECT_EQ(form->targetList->currentIndex(), 11);

    form->engineList->setCurrentIndex(-1);
    form->swapLanguages();
    EXPECT_EQ(form->textServiceSourceList->currentIndex(), 8);
    EXPECT_EQ(form->targetList->currentIndex(), 11);
}

TEST_F(MainFormTest, HelpShowsItsParagraphsUnbrokenForTheBoxToWrapFromTheFirstLine)
{
    auto form = showForm();
    form->resultText->setPlainText(QStringLiteral("旧内容"));
    form->helpButton->click();
    const QString text = form->resultText->toPlainText();
    // Three headings and their three paragraphs; every word kept, none split across lines.
    EXPECT_EQ(text.split(QStringLiteral("\n\n")).size(), 6);
    EXPECT_EQ(QString(text).remove(QLatin1Char('\n')), HelpLines().join(QString()));
    for (const QString& word : {QStringLiteral("支持"), QStringLiteral("翻译短小"), QStringLiteral("便能"), QStringLiteral("版本: V16")})
        EXPECT_TRUE(text.contains(word)) << word.toStdString();
    EXPECT_TRUE(text.startsWith(QStringLiteral("【功能说明】\n\n    Quillo翻译软件")));
    EXPECT_TRUE(text.endsWith(QStringLiteral("    版本: V16"))) << "no line break after the last line";
    EXPECT_TRUE(form->resultText->isReadOnly());
    EXPECT_EQ(form->resultText->textCursor().position(), 0);
    EXPECT_EQ(form->resultText->verticalScrollBar()->value(), 0);
}

TEST_F(MainFormTest, SideWindowsOpenFreshSizedAndModalAndLeaveNothingBehind)
{
    auto form = showForm();
    const QImage arrow = imageOf(AppCursor(crAppArrow));
    ASSERT_FALSE(arrow.isNull());
    EXPECT_EQ(imageOf(form->translateButton->cursor()), arrow);
    EXPECT_NE(imageOf(form->contactButton->cursor()), arrow);

    struct Seen
    {
        QPointer<QWidget> window;
        QString className, title;
        QSize size;
        int arrowButtons = 0;
    } seen;
    ModalAnswer answer([&](QWidget* window) {
        seen = {window, QString::fromLatin1(window->metaObject()->className()), window->windowTitle(), window->size(), 0};
        for (auto* button : window->findChildren<TSkinButton*>())
            seen.arrowButtons += imageOf(button->cursor()) == arrow;
        // A request running when the window closes must not leave the busy cursor on.
        SetScreenCursor(crAppBusy);
        window->close();
    });

    const auto check = [&](const char* className, QSize size, int arrowButtons, bool resetsCursor) {
        EXPECT_EQ(seen.className, QString::fromLatin1(className));
        EXPECT_EQ(seen.size, size) << className;
        EXPECT_EQ(seen.arrowButtons, arrowButtons) << className;
        EXPECT_TRUE(seen.window.isNull()) << className << " must be destroyed when it closes";
        EXPECT_EQ(form->focusWidget(), form->sourceText);
        EXPECT_EQ(ScreenCursor() == crDefault, resetsCursor) << className;
        SetScreenCursor(crDefault);
    };
    form->webPageButton->click();
    check("quillo::PageTranslationWindow", QSize(480, 216), 1, true);
    form->contactButton->click();
    check("quillo::FeedbackWindow", QSize(501, 268), 2, true);
    form->windowFeedbackItem->trigger();
    check("quillo::FeedbackWindow", QSize(501, 268), 2, true);
    form->updateButton->click();
    check("quillo::UpdateWindow", QSize(383, 178), 2, false);
    EXPECT_EQ(seen.title, QStringLiteral("智 能 升 级"));
    form->contextUpdateItem->trigger();
    check("quillo::UpdateWindow", QSize(383, 178), 2, false);
    EXPECT_EQ(answer.count(), 5);
}

TEST_F(MainFormTest, BothMenusHoldTheirEntriesAndTheWebSiteEntriesOpenTheSite)
{
    auto form = createForm();
    EXPECT_EQ(captionsOf(form->contextMenu),
              QStringList({QStringLiteral("MenuItem2=程序界面（一）"), QStringLiteral("MenuItem3=程序界面（二）"),
                           QStringLiteral("MenuItem4=程序界面（三）"), QStringLiteral("MenuItem5=-"),
                           QStringLiteral("MenuItem6=智能升级"), QStringLiteral("MenuItem7=-"),
                           QStringLiteral("MenuItem8=在线提交信息"), QStringLiteral("MenuItem9=-"),
                           QStringLiteral("MenuItem12=浏览Quillo翻译软件的网站")}));
    EXPECT_EQ(captionsOf(form->windowMenu),
              QStringList({QStringLiteral("N10=-"), QStringLiteral("N1=程序界面（一）"), QStringLiteral("N2=程序界面（二）"),
                           QStringLiteral("N3=程序界面（三）"), QStringLiteral("N13=-"), QStringLiteral("N5=在线提交信息"),
                           QStringLiteral("N6=-"), QStringLiteral("N9=浏览Quillo翻译软件的网站"), QStringLiteral("N11=-"),
                           QStringLiteral("VocabularyItem=生词本")}));

    // The skin entries are radio entries within their own menu.
    form->contextSkinItems[2]->trigger();
    EXPECT_TRUE(form->contextSkinItems[2]->isChecked());
    EXPECT_FALSE(form->contextSkinItems[0]->isChecked());
    EXPECT_TRUE(form->windowSkinItems[2]->isChecked()) << "the other menu marks the same skin";
    EXPECT_EQ(form->contextSkinItems[2]->data().toInt(), 3);

    test::UrlCatcher catcher;
    form->windowWebSiteItem->trigger();
    form->contextWebSiteItem->trigger();
    EXPECT_EQ(catcher.opened, QList<QUrl>({QUrl(ProductWebSite()), QUrl(ProductWebSite())}));
}

TEST_F(MainFormTest, ThePageWindowOpensWithTheLanguagesChosenLastTime)
{
    auto form = showForm();
    QList<std::pair<int, int>> opened;
    ModalAnswer answer([&opened](QWidget* box) {
        auto* window = qobject_cast<PageTranslationWindow*>(box);
        ASSERT_NE(window, nullptr);
        opened.append({window->sourceList->currentIndex(), window->targetList->currentIndex()});
        window->sourceList->setCurrentIndex(8);
        window->targetList->setCurrentIndex(opened.size() == 1 ? 4 : 2);
        window->close();
    });
    for (int time = 0; time < 3; ++time)
        form->webPageButton->click();
    EXPECT_EQ(opened, (QList<std::pair<int, int>>{{0, 2}, {8, 4}, {8, 2}}));
}
