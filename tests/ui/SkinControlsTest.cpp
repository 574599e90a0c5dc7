#include "ui/SkinControls.h"
#include "ui/SkinLook.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace quillo;

TEST(SkinMemo, LengthLimitHoldsForTypingPastingAndInsertingInTheMiddle)
{
    TSkinMemo memo(QStringLiteral("Memo"), nullptr);
    memo.setMaxLength(10);
    QTest::keyClicks(&memo, QStringLiteral("abcdefghijkl"));
    EXPECT_EQ(memo.toPlainText(), QStringLiteral("abcdefghij"));

    // Pasting into the middle keeps what stood after the caret and cuts the pasted text.
    memo.setPlainText(QStringLiteral("12345"));
    QTextCursor cursor = memo.textCursor();
    cursor.setPosition(2);
    memo.setTextCursor(cursor);
    QApplication::clipboard()->setText(QStringLiteral("ABCDEFGH"));
    memo.paste();
    EXPECT_EQ(memo.toPlainText(), QStringLiteral("12ABCDE345"));

    // A line break counts as one character.
    memo.setPlainText(QStringLiteral("123456789"));
    memo.moveCursor(QTextCursor::End);
    QTest::keyClick(&memo, Qt::Key_Return);
    QTest::keyClicks(&memo, QStringLiteral("x"));
    EXPECT_EQ(memo.toPlainText(), QStringLiteral("123456789\n"));
}

TEST(SkinMemo, CutNeverSplitsASurrogatePair)
{
    TSkinMemo memo(QStringLiteral("Memo"), nullptr);
    memo.setMaxLength(4);
    memo.setPlainText(QStringLiteral("abc"));
    memo.moveCursor(QTextCursor::End);
    memo.insertPlainText(QStringLiteral("😀"));  // two UTF-16 units, one over the limit
    EXPECT_EQ(memo.toPlainText(), QStringLiteral("abc"));
    memo.insertPlainText(QStringLiteral("d"));
    EXPECT_EQ(memo.toPlainText(), QStringLiteral("abcd"));
}

TEST(SkinMemo, KeyDownSeesEveryKeyAndKeyPressMaySwallowTheCharacter)
{
    TSkinMemo memo(QStringLiteral("Memo"), nullptr);
    QList<std::pair<int, Qt::KeyboardModifiers>> downs;
    QString pressed;
    memo.OnKeyDown = [&](QObject* sender, int key, Qt::KeyboardModifiers shift) {
        EXPECT_EQ(sender, &memo);
        downs.append({key, shift});
    };
    memo.OnKeyPress = [&](QObject*, QChar& key) {
        pressed.append(key);
        if (key == QLatin1Char('x') || key == QLatin1Char('\r'))
            key = QChar();
    };
    QTest::keyClicks(&memo, QStringLiteral("axb"));
    QTest::keyClick(&memo, Qt::Key_Return, Qt::ControlModifier);
    QTest::keyClick(&memo, Qt::Key_Left);
    EXPECT_EQ(memo.toPlainText(), QStringLiteral("ab"));
    EXPECT_EQ(pressed, QStringLiteral("axb\r")) << "keys without a character raise no key press";
    // The Ctrl key itself goes down first, as it does on the keyboard.
    ASSERT_EQ(downs.size(), 6);
    EXPECT_EQ(downs[3].first, int(Qt::Key_Control));
    EXPECT_EQ(downs[4], std::make_pair(int(Qt::Key_Return), Qt::KeyboardModifiers(Qt::ControlModifier)));
    EXPECT_EQ(downs[5].first, int(Qt::Key_Left));
}

TEST(SkinComboBox, ClosingTheListRaisesCloseUpAndSelectingFromCodeRaisesChange)
{
    TSkinComboBox list(QStringLiteral("List"), nullptr);
    list.addItems({QStringLiteral("一"), QStringLiteral("二")});
    QSignalSpy closeUps(&list, &TSkinComboBox::closeUp);
    QSignalSpy changes(&list, &QComboBox::currentIndexChanged);
    list.show();
    list.showPopup();
    list.hidePopup();
    EXPECT_EQ(closeUps.count(), 1);
    // Qt hides the list's popup whenever the list itself goes; that is no close-up.
    list.hidePopup();
    list.hide();
    EXPECT_EQ(closeUps.count(), 1);
    list.setCurrentIndex(1);
    list.setCurrentIndex(7);
    EXPECT_EQ(changes.count(), 2);
    EXPECT_EQ(list.currentIndex(), -1) << "an index outside the entries selects nothing";
}

TEST(SkinControls, EveryControlIsNamedAndStyledInOnePlace)
{
    QList<std::pair<QString, QString>> styled;
    SetSkinLookHook([&](QWidget* control, const char* skinDataName) {
        styled.append({control->objectName(), QString::fromLatin1(skinDataName)});
    });
    QWidget parent;
    TSkinButton button(QStringLiteral("SkinButton1"), QStringLiteral("开 始"), &parent);
    TSkinPanel panel(QStringLiteral("Panel1"), &parent, true);
    TSkinLabel label(QStringLiteral("Label1"), QStringLiteral("原文"), &parent);
    TSkinComboBox list(QStringLiteral("List1"), &parent);
    TSkinMemo memo(QStringLiteral("Memo1"), &parent);
    TSkinEdit edit(QStringLiteral("Edit1"), &parent);
    TSkinGauge gauge(QStringLiteral("SkinGauge1"), &parent);
    SetSkinLookHook({});
    const QList<std::pair<QString, QString>> expected = {
        {QStringLiteral("SkinButton1"), QStringLiteral("button")}, {QStringLiteral("Panel1"), QStringLiteral("panel")},
        {QStringLiteral("Label1"), QStringLiteral("stdlabel")},    {QStringLiteral("List1"), QStringLiteral("combobox")},
        {QStringLiteral("Memo1"), QStringLiteral("memo")},         {QStringLiteral("Edit1"), QStringLiteral("edit")},
        {QStringLiteral("SkinGauge1"), QStringLiteral("gauge")},
    };
    EXPECT_EQ(styled, expected);
    EXPECT_EQ(memo.property("SkinDataName").toString(), QStringLiteral("memo"));
}

TEST(SkinControls, LabelClickAndGaugeText)
{
    TSkinLabel label(QStringLiteral("Label"), QStringLiteral("原文语言："), nullptr);
    label.resize(80, 20);
    QSignalSpy clicks(&label, &TSkinLabel::clicked);
    QTest::mouseClick(&label, Qt::LeftButton);
    QTest::mouseClick(&label, Qt::RightButton);
    EXPECT_EQ(clicks.count(), 1);

    TSkinGauge gauge(QStringLiteral("Gauge"), nullptr);
    gauge.setValue(40);
    gauge.setText(QStringLiteral("正在检测网络配置..."));
    EXPECT_EQ(gauge.text(), QStringLiteral("正在检测网络配置...")) << "the text replaces the percentage";
}

TEST(SkinControls, EditMenusTakeTheCaptionTable)
{
    TSkinMemo memo(QStringLiteral("Memo"), nullptr);
    std::unique_ptr<QMenu> menu(memo.createStandardContextMenu());
    LocalizeEditMenu(menu.get());
    QStringList captions;
    for (QAction* action : menu->actions()) {
        if (!action->isSeparator() && action->isVisible())
            captions.append(action->text().section(QLatin1Char('\t'), 0, 0));
    }
    EXPECT_EQ(captions, QStringList({QStringLiteral("撤销"), QStringLiteral("剪切"), QStringLiteral("复制"),
                                     QStringLiteral("粘贴"), QStringLiteral("删除"), QStringLiteral("全部选定")}));
}
