#include "MainFormFixture.h"
#include "../ui/ModalAnswer.h"
#include "ui/SkinControls.h"

#include <QGuiApplication>

using namespace quillo;
using quillo::test::MainFormTest;
using quillo::test::ModalAnswer;

namespace {

const QString kEmptyText = QStringLiteral("   请 输 入 要 翻 译 的 原 文 文 本 ！");
const QString kSameLanguage = QStringLiteral("   原 文 语 言 不 能 与 译 文 语 言 相 同 ！");

enum Language { Simplified = 0, Traditional = 1, English = 2, French = 4, Japanese = 8 };

void choose(TMainForm& form, int engine, int source, int target)
{
    form.TranslationServer->setCurrentIndex(engine);
    (engine == 0 ? form.SourceLanguage2 : form.SourceLanguage)->setCurrentIndex(source);
    form.TargetLanguage->setCurrentIndex(target);
}

// Notes whether the window was busy each time the result box changed.
struct BusyWatch
{
    explicit BusyWatch(TMainForm& form)
    {
        QObject::connect(form.Memo2->document(), &QTextDocument::contentsChanged, form.Memo2, [&form, this] {
            states.append(!form.SkinButton1->isEnabled() && ScreenCursor() == crAppBusy
                          && QGuiApplication::overrideCursor() != nullptr);
        });
    }
    QList<bool> states;
};

} // namespace

TEST_F(MainFormTest, ValidationRefusesWithItsMessageAndLeavesEverythingAsItWas)
{
    auto form = showForm();
    ModalAnswer answer;
    form->Memo2->setPlainText(QStringLiteral("上次的译文"));

    form->SkinButton1->click();
    EXPECT_EQ(answer.captions, QStringList{QStringLiteral("错 误")});
    EXPECT_EQ(answer.texts, QStringList{kEmptyText});

    // Blanks and line breaks are text; the same language on both sides is not a pair.
    form->Memo1->setPlainText(QStringLiteral(" \n"));
    choose(*form, 1, French, French);
    form->SkinButton1->click();
    // The first engine compares the names shown: two lists without a selection are the same too.
    choose(*form, 0, English, English);
    form->SkinButton1->click();
    form->SourceLanguage2->setCurrentIndex(-1);
    form->TargetLanguage->setCurrentIndex(-1);
    form->SkinButton1->click();
    EXPECT_EQ(answer.texts, QStringList({kEmptyText, kSameLanguage, kSameLanguage, kSameLanguage}));

    EXPECT_EQ(form->Memo2->toPlainText(), QStringLiteral("上次的译文"));
    EXPECT_TRUE(form->SkinButton1->isEnabled());
    EXPECT_EQ(ScreenCursor(), crDefault);
    EXPECT_EQ(form->focusWidget(), form->Memo1);
}

TEST_F(MainFormTest, ChineseScriptsConvertLocallyWithEitherEngineThroughTheBusyState)
{
    auto form = showForm();
    BusyWatch watch(*form);
    form->Memo1->setPlainText(QStringLiteral("开始翻译\nabc 中国"));
    for (int engine : {0, 1}) {
        choose(*form, engine, Simplified, Traditional);
        form->SkinButton1->click();
        EXPECT_EQ(form->Memo2->toPlainText(), QStringLiteral("開始翻譯\nabc 中國")) << engine;
        choose(*form, engine, Traditional, Simplified);
        form->Memo1->setPlainText(QStringLiteral("開始翻譯"));
        form->SkinButton1->click();
        EXPECT_EQ(form->Memo2->toPlainText(), QStringLiteral("开始翻译")) << engine;
        form->Memo1->setPlainText(QStringLiteral("开始翻译\nabc 中国"));
    }
    EXPECT_EQ(form->SourceCode(), QByteArray("zt"));
    EXPECT_EQ(form->TargetCode(), QByteArray("zh"));
    // Every change of the result box (the clearing and the result) happened while busy...
    EXPECT_GE(watch.states.size(), 4);
    EXPECT_EQ(watch.states.count(false), 0);
    // ...and the busy state is over: button and cursor together.
    EXPECT_TRUE(form->SkinButton1->isEnabled());
    EXPECT_EQ(ScreenCursor(), crDefault);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(MainFormTest, EachEngineTakesItsCodesAndANetworkPairLeavesTheBusyState)
{
    // Nothing listens on port 1: every network pair ends at once, reported as unreachable.
    qputenv("QUILLO_SERVICE", "http://127.0.0.1:1");
    auto form = showForm();
    ModalAnswer answer;
    form->Memo1->setPlainText(QStringLiteral("你好"));
    choose(*form, 0, Simplified, English);
    form->TopicLanguage->setCurrentIndex(5);
    EXPECT_EQ(form->TopicLanguage->currentText(), QStringLiteral("计算机"));
    form->SkinButton1->click();
    EXPECT_EQ(form->SourceCode(), QByteArray("ZH_CN"));
    EXPECT_EQ(form->TargetCode(), QByteArray("EN"));
    EXPECT_EQ(form->TopicCode(), QByteArray("gl6"));
    EXPECT_TRUE(form->SkinButton1->isEnabled());
    EXPECT_EQ(ScreenCursor(), crDefault);

    choose(*form, 1, Japanese, French);
    form->SkinButton1->click();
    EXPECT_EQ(form->SourceCode(), QByteArray("ja"));
    EXPECT_EQ(form->TargetCode(), QByteArray("fr"));

    // A list without a selection keeps the code of the previous translation.
    form->SourceLanguage->setCurrentIndex(-1);
    form->SkinButton1->click();
    EXPECT_EQ(form->SourceCode(), QByteArray("ja"));

    // No engine selected: nothing happens at all.
    const int boxes = answer.count();
    form->Memo1->clear();
    form->TranslationServer->setCurrentIndex(-1);
    form->SkinButton1->click();
    EXPECT_EQ(answer.count(), boxes);
    qunsetenv("QUILLO_SERVICE");
}

TEST_F(MainFormTest, CtrlEnterAndShiftEnterTranslateEachAndSwallowTheLineBreak)
{
    auto form = showForm();
    choose(*form, 1, Simplified, Traditional);
    form->Memo1->setFocus();
    form->Memo1->setPlainText(QStringLiteral("中国"));
    form->Memo1->moveCursor(QTextCursor::End);
    QTest::keyClick(form->Memo1, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(form->Memo2->toPlainText(), QStringLiteral("中國"));
    form->Memo2->clear();
    QTest::keyClick(form->Memo1, Qt::Key_Enter, Qt::ShiftModifier | Qt::KeypadModifier);
    EXPECT_EQ(form->Memo2->toPlainText(), QStringLiteral("中國"));
    EXPECT_EQ(form->Memo1->toPlainText(), QStringLiteral("中国"));

    QTest::keyClick(form->Memo1, Qt::Key_Return);
    QTest::keyClicks(form->Memo1, QStringLiteral("ok"));
    EXPECT_EQ(form->Memo1->toPlainText(), QStringLiteral("中国\nok")) << "a plain Enter breaks the line";

    // With both held the action runs twice, one after the other: two refusals for an empty text.
    form->Memo1->clear();
    ModalAnswer answer;
    QTest::keyClick(form->Memo1, Qt::Key_Return, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(answer.texts, QStringList({kEmptyText, kEmptyText}));
    EXPECT_EQ(form->Memo1->toPlainText(), QString());
}

TEST_F(MainFormTest, TheKeyboardRunsTheActionEvenWhileTheButtonIsDisabled)
{
    auto form = showForm();
    choose(*form, 0, Simplified, Traditional);
    form->Memo1->setPlainText(QStringLiteral("国"));
    form->SkinButton1->setEnabled(false);
    QTest::keyClick(form->Memo1, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(form->Memo2->toPlainText(), QStringLiteral("國"));
}

TEST_F(MainFormTest, SwitchingTheEngineShowsItsSourceList)
{
    auto form = showForm();
    form->TranslationServer->setCurrentIndex(1);
    EXPECT_TRUE(form->SourceLanguage->isVisible());
    EXPECT_FALSE(form->SourceLanguage2->isVisible());
    form->TranslationServer->setCurrentIndex(0);
    EXPECT_FALSE(form->SourceLanguage->isVisible());
    EXPECT_TRUE(form->SourceLanguage2->isVisible());
    form->TranslationServer->setCurrentIndex(-1);
    EXPECT_TRUE(form->SourceLanguage2->isVisible()) << "no engine changes nothing";
    for (QWidget* control : std::initializer_list<QWidget*>{form->SecondTranOption})
        EXPECT_FALSE(control->isVisible());
    EXPECT_EQ(form->SrcLangLabel->text(), QStringLiteral("原文语言："));
}

TEST_F(MainFormTest, ClosingAnyListPutsTheCaretBackIntoTheSourceBox)
{
    auto form = showForm();
    for (TSkinComboBox* list : {form->SourceLanguage, form->SourceLanguage2, form->SecondTranOption,
                                form->TargetLanguage, form->TopicLanguage, form->TranslationServer}) {
        form->SkinButton2->setFocus();
        ASSERT_NE(form->focusWidget(), form->Memo1);
        list->showPopup();
        list->hidePopup();
        EXPECT_EQ(form->focusWidget(), form->Memo1) << list->objectName().toStdString();
    }
}
