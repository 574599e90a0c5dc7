#include "../ui/ModalAnswer.h"
#include "MainFormFixture.h"
#include "UrlCatcher.h"
#include "app/InformationText.h"
#include "core/ProductIdentity.h"
#include "sendinfo/TSendUserInfo.h"
#include "tranURL/TURL.h"
#include "ui/SkinControls.h"
#include "update/TUpdateForm.h"

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
    form->Memo2->clear();
    form->SkinButton3->click();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("剪贴板原有内容")) << "nothing to copy";

    form->Memo2->setPlainText(QStringLiteral("译文\n第二行"));
    form->SkinButton3->click();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("译文\n第二行"));
    EXPECT_TRUE(form->Memo2->textCursor().hasSelection()) << "the selection stays";
    EXPECT_EQ(form->focusWidget(), form->Memo1);

    form->Memo1->setPlainText(QStringLiteral("原文"));
    form->SkinButton2->click();
    EXPECT_TRUE(form->Memo1->toPlainText().isEmpty());
    EXPECT_TRUE(form->Memo2->toPlainText().isEmpty());
    EXPECT_EQ(form->focusWidget(), form->Memo1);
}

TEST_F(MainFormTest, ClickingEitherLanguageLabelSwapsThePairOfTheEngineAndTwiceRestoresIt)
{
    auto form = showForm();
    form->TranslationServer->setCurrentIndex(0);
    form->SourceLanguage2->setCurrentIndex(4);
    form->TargetLanguage->setCurrentIndex(8);
    form->SourceLanguage->setCurrentIndex(11);
    QTest::mouseClick(form->SrcLangLabel, Qt::LeftButton);
    EXPECT_EQ(form->SourceLanguage2->currentIndex(), 8);
    EXPECT_EQ(form->TargetLanguage->currentIndex(), 4);
    QTest::mouseClick(form->TargetLabel, Qt::LeftButton);
    EXPECT_EQ(form->SourceLanguage2->currentIndex(), 4);
    EXPECT_EQ(form->TargetLanguage->currentIndex(), 8);
    EXPECT_EQ(form->SourceLanguage->currentIndex(), 11) << "the other engine's list is left alone";

    form->TranslationServer->setCurrentIndex(1);
    QTest::mouseClick(form->TargetLabel, Qt::LeftButton);
    EXPECT_EQ(form->SourceLanguage->currentIndex(), 8);
    EXPECT_EQ(form->TargetLanguage->currentIndex(), 11);

    form->TranslationServer->setCurrentIndex(-1);
    form->SrcLangLabelClick();
    EXPECT_EQ(form->SourceLanguage->currentIndex(), 8);
    EXPECT_EQ(form->TargetLanguage->currentIndex(), 11);
}

TEST_F(MainFormTest, HelpShowsItsNinePiecesFromTheFirstLine)
{
    auto form = showForm();
    form->Memo2->setPlainText(QStringLiteral("旧内容"));
    form->SkinButton6->click();
    const QString text = form->Memo2->toPlainText();
    EXPECT_EQ(text, HelpLines().join(QStringLiteral("\n\n")));
    EXPECT_TRUE(text.startsWith(QStringLiteral("【功能说明】\n\n    Quillo翻译软件")));
    EXPECT_TRUE(text.endsWith(QStringLiteral("    版本: V16"))) << "no line break after the last line";
    EXPECT_TRUE(HelpLines().constLast().contains(ProductWebSite()));
    EXPECT_TRUE(form->Memo2->isReadOnly());
    EXPECT_EQ(form->Memo2->textCursor().position(), 0);
    EXPECT_EQ(form->Memo2->verticalScrollBar()->value(), 0);
}

TEST_F(MainFormTest, SideWindowsOpenFreshSizedAndModalAndLeaveNothingBehind)
{
    auto form = showForm();
    const QImage arrow = imageOf(AppCursor(crAppArrow));
    ASSERT_FALSE(arrow.isNull());
    EXPECT_EQ(imageOf(form->SkinButton1->cursor()), arrow);
    EXPECT_NE(imageOf(form->SkinButton8->cursor()), arrow);

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
        EXPECT_EQ(form->focusWidget(), form->Memo1);
        EXPECT_EQ(ScreenCursor() == crDefault, resetsCursor) << className;
        SetScreenCursor(crDefault);
    };
    form->SkinButton7->click();
    check("quillo::TURL", QSize(480, 216), 1, true);
    form->SkinButton8->click();
    check("quillo::TSendUserInfo", QSize(501, 268), 2, true);
    form->N5->trigger();
    check("quillo::TSendUserInfo", QSize(501, 268), 2, true);
    form->SkinButton5->click();
    check("quillo::TUpdateForm", QSize(383, 178), 2, false);
    EXPECT_EQ(seen.title, QStringLiteral("智 能 升 级"));
    form->MenuItem6->trigger();
    check("quillo::TUpdateForm", QSize(383, 178), 2, false);
    EXPECT_EQ(answer.count(), 5);
}

TEST_F(MainFormTest, BothMenusHoldTheirEntriesAndTheWebSiteEntriesOpenTheSite)
{
    auto form = createForm();
    EXPECT_EQ(captionsOf(form->SkinPopupMenu1),
              QStringList({QStringLiteral("MenuItem2=程序界面（一）"), QStringLiteral("MenuItem3=程序界面（二）"),
                           QStringLiteral("MenuItem4=程序界面（三）"), QStringLiteral("MenuItem5=-"),
                           QStringLiteral("MenuItem6=智能升级"), QStringLiteral("MenuItem7=-"),
                           QStringLiteral("MenuItem8=在线提交信息"), QStringLiteral("MenuItem9=-"),
                           QStringLiteral("MenuItem12=浏览Quillo翻译软件的网站")}));
    EXPECT_EQ(captionsOf(form->SkinPopupMenu2),
              QStringList({QStringLiteral("N10=-"), QStringLiteral("N1=程序界面（一）"), QStringLiteral("N2=程序界面（二）"),
                           QStringLiteral("N3=程序界面（三）"), QStringLiteral("N13=-"), QStringLiteral("N5=在线提交信息"),
                           QStringLiteral("N6=-"), QStringLiteral("N9=浏览时Quillo翻译软件的网站"), QStringLiteral("N11=-")}));

    // The skin entries are radio entries within their own menu.
    form->MenuItem4->trigger();
    EXPECT_TRUE(form->MenuItem4->isChecked());
    EXPECT_FALSE(form->MenuItem2->isChecked());
    EXPECT_TRUE(form->N3->isChecked()) << "the other menu marks the same skin";
    EXPECT_EQ(form->MenuItem4->data().toInt(), 3);

    test::UrlCatcher catcher;
    form->N9->trigger();
    form->MenuItem12->trigger();
    EXPECT_EQ(catcher.opened, QList<QUrl>({QUrl(ProductWebSite()), QUrl(ProductWebSite())}));
}
