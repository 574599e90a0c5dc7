#include "ModalAnswer.h"
#include "core/ProductIdentity.h"
#include "ui/SkinLook.h"
#include "ui/TSkinMessage.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QTextLayout>
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

// A box raised while another window of the program has the keyboard (the popup, a hidden main
// window) takes the keyboard itself, on its default button.
TEST(SkinMessage, TheBoxTakesTheKeyboardFromTheWindowThatHadIt)
{
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    TSkinMessage message;
    QString focused;
    bool active = false;
    ModalAnswer answer([&](QWidget* box) {
        active = QTest::qWaitFor([box] { return QApplication::activeWindow() == box; });
        if (const QWidget* widget = QApplication::focusWidget())
            focused = widget->objectName();
        box->close();
    });
    message.MessageDlg(QStringLiteral("无法朗读"), mtError, mbOK, 0);
    EXPECT_TRUE(active);
    EXPECT_EQ(focused, QStringLiteral("mbOK"));
}

namespace {

// The lines the box's text label breaks its text into, by the label's own font and width.
QStringList drawnLines(const QLabel& label)
{
    QTextLayout layout(label.text(), label.font());
    QTextOption option(label.alignment());
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(label.contentsRect().width());
        lines.append(label.text().mid(line.textStart(), line.textLength()));
    }
    layout.endLayout();
    return lines;
}

} // namespace

TEST(SkinMessage, TheBoxIsAsWideAsItsTextAndLeavesNoCharacterOnALineOfItsOwn)
{
    // The program's own messages, blanks and all; the long ones carry the web site's address and
    // may take more than one line.
    const QString site = QStringLiteral("http://127.0.0.1:8437/");
    const QString shortTexts[] = {
        QStringLiteral("   标 题 不 能 为 空 ，请 输 入 标 题 ！"),
        QStringLiteral("   请 输 入 您 要 提 交 的 内 容！"),
        QStringLiteral("   计 算 机 没 有 连 接 到 网 络 !"),
        QStringLiteral("   提 交 信 息 失 败 ，请 稍 后 再 试 。"),
        QStringLiteral("   提 交 信 息 成 功 ，我 们 会 尽 快 回 复 您 。"),
        QStringLiteral("   计 算 机 不 能 连 接 到 服 务 器 ，请 稍 后 再 试。"),
        QStringLiteral("   计算机连接服务器错误，请稍后再试。"),
        QStringLiteral("   计算机不能连接到服务器，请稍后再试。"),
        QStringLiteral("   计算机连接服务器超时，请稍后再试。"),
        QStringLiteral("   连 接 服 务 器 超 时 ，请 稍 后 重 试 。"),
        QStringLiteral("   服 务 器 返 回 的 内 容 无 法 识 别 ，请 稍 后 重 试 。"),
        QStringLiteral("   请 输 入 要 翻 译 的 原 文 文 本 ！"),
        QStringLiteral("   原 文 语 言 不 能 与 译 文 语 言 相 同 ！"),
        QStringLiteral("   连 接 到 网 络 错 误，请 检 查 本 地 网 络 设 置。"),
        QStringLiteral("   计算机不能连接到升级服务器，请稍后再试。"),
        QStringLiteral("   获 取 升 级 信 息 失 败 ！请 稍 后 再 试 。"),
        QStringLiteral("   您 现 在 使 用 的 是 最 新 版 本 ！"),
        QStringLiteral("   现 将 自 动 重 新 启 动 升 级 后 的 程 序 。"),
        QStringLiteral(" 如 果 安 装 了 防 火 墙 请 先 关 闭 或 设 置 允 许 访 问 网 络，然 后 重 试 。"),
    };
    const QString tail = QStringLiteral(" 网 站 下 载 并 重 新 安 装 。");
    const QString longTexts[] = {
        QStringLiteral("   自 动 下 载 升 级 文 件 错 误 ，请 您 到 ") + site + tail,
        QStringLiteral("   升 级 信 息 中 没 有 下 载 地 址 ，请 您 到 ") + site + tail,
        QStringLiteral("   无 法 启 动 升 级 程 序 ，请 您 到 ") + site + tail,
    };
    const QFont before = QApplication::font();
    for (const int pixelSize : {12, 13, 14}) {
        QApplication::setFont(SongFont(pixelSize));
        TSkinMessage message;
        QStringList lines;
        ModalAnswer answer([&](QWidget* box) {
            lines = drawnLines(*box->findChild<QLabel*>(QStringLiteral("MessageText")));
            box->close();
        });
        for (const QString& text : shortTexts) {
            message.MessageDlg(text, mtError, mbOK, 0);
            EXPECT_EQ(lines.join(QLatin1Char('|')).toStdString(), text.toStdString()) << pixelSize << " px";
        }
        for (const QString& text : longTexts) {
            message.MessageDlg(text, mtError, mbOK, 0);
            ASSERT_FALSE(lines.isEmpty());
            const auto widest = std::max_element(lines.begin(), lines.end(), [](auto& a, auto& b) {
                return a.size() < b.size();
            });
            EXPECT_GE(lines.constLast().trimmed().size() * 2, widest->trimmed().size())
                << pixelSize << " px: " << lines.join(QLatin1Char('|')).toStdString();
        }
    }
    QApplication::setFont(before);
}
