#include "ModalAnswer.h"
#include "ui/Fun.h"
#include "ui/TSkinMessage.h"

#include <QAbstractButton>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

using namespace quillo;
using quillo::test::ModalAnswer;

namespace {

QStringList buttonCaptions(QWidget* box)
{
    QList<QAbstractButton*> buttons = box->findChildren<QAbstractButton*>();
    std::sort(buttons.begin(), buttons.end(), [](auto* a, auto* b) { return a->x() < b->x(); });
    QStringList captions;
    for (QAbstractButton* button : buttons)
        captions.append(button->objectName() + QLatin1Char('=') + button->text());
    return captions;
}

} // namespace

TEST(SkinMessage, CaptionFollowsTheKindAndTheBoxIsCentredOnTheScreen)
{
    TSkinMessage message;
    QPoint centre;
    ModalAnswer answer([&](QWidget* box) {
        centre = box->frameGeometry().center();
        box->close();
    });
    const std::pair<TMsgDlgType, QString> kinds[] = {
        {mtWarning, QStringLiteral("警 告")},       {mtError, QStringLiteral("错 误")},
        {mtInformation, QStringLiteral("信 息")},   {mtConfirmation, QStringLiteral("确 认")},
        {mtCustom, ApplicationTitle()},
    };
    for (const auto& [kind, caption] : kinds) {
        EXPECT_EQ(message.MessageDlg(QStringLiteral("   文 本 ！"), kind, mbOK, 0), mrOk);
        EXPECT_EQ(answer.captions.constLast(), caption);
        EXPECT_EQ(answer.texts.constLast(), QStringLiteral("   文 本 ！")) << "leading blanks belong to the text";
    }
    const QPoint screenCentre = QGuiApplication::primaryScreen()->geometry().center();
    EXPECT_LE((centre - screenCentre).manhattanLength(), 2);
}

TEST(SkinMessage, ButtonsStandInLayoutOrderWithTheirCaptions)
{
    TSkinMessage message;
    QStringList captions;
    ModalAnswer answer([&](QWidget* box) {
        captions = buttonCaptions(box);
        box->close();
    });
    message.MessageDlg(QStringLiteral("x"), mtConfirmation, mbHelp | mbCancel | mbOK | mbNo | mbYes | mbRetry, 0);
    EXPECT_EQ(captions, QStringList({QStringLiteral("mbYes=是"), QStringLiteral("mbNo=否"),
                                     QStringLiteral("mbOK= 确  定 "), QStringLiteral("mbCancel=取  消"),
                                     QStringLiteral("mbRetry=重  试"), QStringLiteral("mbHelp=帮  助")}));
}

TEST(SkinMessage, EachButtonReturnsItsResult)
{
    const std::pair<const char*, int> results[] = {
        {"mbYes", mrYes},     {"mbNo", mrNo},         {"mbOK", mrOk},         {"mbCancel", mrCancel},
        {"mbAbort", mrAbort}, {"mbRetry", mrRetry},   {"mbIgnore", mrIgnore}, {"mbAll", mrAll},
        {"mbNoToAll", mrNoToAll}, {"mbYesToAll", mrYesToAll},
    };
    const TMsgDlgButtons all = mbYes | mbNo | mbOK | mbCancel | mbAbort | mbRetry | mbIgnore | mbAll | mbNoToAll
                               | mbYesToAll | mbHelp;
    TSkinMessage message;
    for (const auto& [name, result] : results) {
        ModalAnswer answer([name = name](QWidget* box) {
            // Help first: it has no result and must leave the box open.
            box->findChild<QAbstractButton*>(QStringLiteral("mbHelp"))->click();
            EXPECT_TRUE(box->isVisible());
            box->findChild<QAbstractButton*>(QString::fromLatin1(name))->click();
        });
        EXPECT_EQ(message.MessageDlg(QStringLiteral("x"), mtInformation, all, 0), result) << name;
    }
}

TEST(SkinMessage, DefaultAndEscapeButtonsFollowTheirOrderOfPreference)
{
    struct Case
    {
        TMsgDlgButtons buttons;
        const char* defaultButton;  // null: none
        const char* escapeButton;   // null: Escape leaves the box open
        int escapeResult;
    };
    const Case cases[] = {
        {mbOK, "mbOK", "mbOK", mrOk},
        {mbOK | mbCancel, "mbOK", "mbCancel", mrCancel},
        {mbYes | mbNo, "mbYes", "mbNo", mrNo},
        {mbYes | mbNo | mbCancel, "mbYes", "mbCancel", mrCancel},
        {mbRetry | mbCancel, "mbRetry", "mbCancel", mrCancel},
        {mbAbort | mbRetry | mbIgnore, "mbRetry", nullptr, mrAbort},
        {mbYes | mbOK | mbNo, "mbOK", "mbNo", mrNo},
        {mbIgnore, nullptr, nullptr, mrIgnore},
    };
    TSkinMessage message;
    for (const Case& c : cases) {
        QString defaultName, escapeName;
        bool stayedOpen = false;
        ModalAnswer answer([&](QWidget* box) {
            auto* dialog = qobject_cast<SkinMessageDialog*>(box);
            ASSERT_NE(dialog, nullptr);
            defaultName = dialog->defaultButton() ? dialog->defaultButton()->objectName() : QString();
            escapeName = dialog->escapeButton() ? dialog->escapeButton()->objectName() : QString();
            QTest::keyClick(box, Qt::Key_Escape);
            if (box->isVisible()) {
                // No escape button: the box must still be open; leave it by the first button.
                stayedOpen = true;
                const char* fallback = c.buttons.testFlag(mbAbort) ? "mbAbort" : "mbIgnore";
                box->findChild<QAbstractButton*>(QString::fromLatin1(fallback))->click();
            }
        });
        const int result = message.MessageDlg(QStringLiteral("x"), mtWarning, c.buttons, 0);
        EXPECT_EQ(defaultName, c.defaultButton ? QString::fromLatin1(c.defaultButton) : QString());
        EXPECT_EQ(escapeName, c.escapeButton ? QString::fromLatin1(c.escapeButton) : QString());
        EXPECT_EQ(stayedOpen, c.escapeButton == nullptr);
        EXPECT_EQ(result, c.escapeResult);
    }
}

TEST(SkinMessage, EnterPressesTheDefaultButton)
{
    TSkinMessage message;
    ModalAnswer answer([](QWidget* box) { QTest::keyClick(box, Qt::Key_Return); });
    EXPECT_EQ(message.MessageDlg(QStringLiteral("x"), mtConfirmation, mbYes | mbNo, 0), mrYes);
}
