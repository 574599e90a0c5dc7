#include "MainFormFixture.h"
#include "../ui/ModalAnswer.h"
#include "ui/SkinControls.h"

#include <QApplication>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <optional>

using namespace quillo;
using quillo::test::MainFormTest;
using quillo::test::ModalAnswer;

namespace {

const QString kEmptyText = QStringLiteral("   请 输 入 要 翻 译 的 原 文 文 本 ！");
const QString kSameLanguage = QStringLiteral("   原 文 语 言 不 能 与 译 文 语 言 相 同 ！");

enum Language { Simplified = 0, Traditional = 1, English = 2, French = 4, Japanese = 8 };

void choose(MainWindow& form, int engine, int source, int target)
{
    form.engineList->setCurrentIndex(engine);
    (engine == 0 ? form.worldLingoSourceList : form.textServiceSourceList)->setCurrentIndex(source);
    form.targetList->setCurrentIndex(target);
}

// Notes whether the window was busy each time the result box changed.
struct BusyWatch
{
    explicit BusyWatch(MainWindow& form)
    {
        QObject::connect(form.resultText->document(), &QTextDocument::contentsChanged, form.resultText, [&form, this] {
            states.append(!form.translateButton->isEnabled() && ScreenCursor() == crAppBusy
                          && QGuiApplication::overrideCursor() != nullptr);
        });
    }
    QList<bool> states;
};

// The text service on 127.0.0.1: answers each whole request with a result page holding `result`,
// or with nothing at all when `result` is null.
class TextServiceStandIn
{
public:
    explicit TextServiceStandIn(std::optional<QString> result)
        : m_result(std::move(result))
    {
        m_server.listen(QHostAddress::LocalHost);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            QTcpSocket* socket = m_server.nextPendingConnection();
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { answer(socket); });
        });
        qputenv("QUILLO_SERVICE", "http://127.0.0.1:" + QByteArray::number(m_server.serverPort()));
    }
    ~TextServiceStandIn() { qunsetenv("QUILLO_SERVICE"); }

private:
    void answer(QTcpSocket* socket)
    {
        QByteArray& request = m_requests[socket];
        request += socket->readAll();
        const qsizetype headerEnd = request.indexOf("\r\n\r\n");
        const QByteArray lengthField("Content-Length: ");
        const qsizetype length = request.indexOf(lengthField);
        if (!m_result || headerEnd < 0 || length < 0
            || request.size() < headerEnd + 4 + request.mid(length + lengthField.size(), 12).split('\r').first().toInt())
            return;
        const QByteArray page = "<html><body><div id=\"result\"><div style=\"padding:0.6em;\">" + m_result->toUtf8()
                                + "</div></div></body></html>";
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nConnection: close\r\nContent-Length: "
                      + QByteArray::number(page.size()) + "\r\n\r\n" + page);
        socket->disconnectFromHost();
    }

    std::optional<QString> m_result;
    QTcpServer m_server;
    QHash<QTcpSocket*, QByteArray> m_requests;
};

} // namespace

TEST_F(MainFormTest, ValidationRefusesWithItsMessageAndLeavesEverythingAsItWas)
{
    auto form = showForm();
    ModalAnswer answer;
    form->resultText->setPlainText(QStringLiteral("上次的译文"));

    form->translateButton->click();
    EXPECT_EQ(answer.captions, QStringList{QStringLiteral("错 误")});
    EXPECT_EQ(answer.texts, QStringList{kEmptyText});

    // Blanks and line breaks are text; the same language on both sides is not a pair.
    form->sourceText->setPlainText(QStringLiteral(" \n"));
    choose(*form, 1, French, French);
    form->translateButton->click();
    // The first engine compares the names shown: two lists without a selection are the same too.
    choose(*form, 0, English, English);
    form->translateButton->click();
    form->worldLingoSourceList->setCurrentIndex(-1);
    form->targetList->setCurrentIndex(-1);
    form->translateButton->click();
    EXPECT_EQ(answer.texts, QStringList({kEmptyText, kSameLanguage, kSameLanguage, kSameLanguage}));

    EXPECT_EQ(form->resultText->toPlainText(), QStringLiteral("上次的译文"));
    EXPECT_TRUE(form->translateButton->isEnabled());
    EXPECT_EQ(ScreenCursor(), crDefault);
    EXPECT_EQ(form->focusWidget(), form->sourceText);
}

TEST_F(MainFormTest, ChineseScriptsConvertLocallyWithEitherEngineThroughTheBusyState)
{
    auto form = showForm();
    BusyWatch watch(*form);
    form->sourceText->setPlainText(QStringLiteral("开始翻译\nabc 中国"));
    for (int engine : {0, 1}) {
        choose(*form, engine, Simplified, Traditional);
        form->translateButton->click();
        EXPECT_EQ(form->resultText->toPlainText(), QStringLiteral("開始翻譯\nabc 中國")) << engine;
        choose(*form, engine, Traditional, Simplified);
        form->sourceText->setPlainText(QStringLiteral("開始翻譯"));
        form->translateButton->click();
        EXPECT_EQ(form->resultText->toPlainText(), QStringLiteral("开始翻译")) << engine;
        form->sourceText->setPlainText(QStringLiteral("开始翻译\nabc 中国"));
    }
    EXPECT_EQ(form->sourceCode(), QByteArray("zt"));
    EXPECT_EQ(form->targetCode(), QByteArray("zh"));
    // Every change of the result box (the clearing and the result) happened while busy...
    EXPECT_GE(watch.states.size(), 4);
    EXPECT_EQ(watch.states.count(false), 0);
    // ...and the busy state is over: button and cursor together.
    EXPECT_TRUE(form->translateButton->isEnabled());
    EXPECT_EQ(ScreenCursor(), crDefault);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(MainFormTest, EachEngineTakesItsCodesAndANetworkPairLeavesTheBusyState)
{
    // Nothing listens on port 1: every network pair ends at once, reported as unreachable.
    qputenv("QUILLO_SERVICE", "http://127.0.0.1:1");
    auto form = showForm();
    ModalAnswer answer;
    form->sourceText->setPlainText(QStringLiteral("你好"));
    choose(*form, 0, Simplified, English);
    form->topicList->setCurrentIndex(5);
    EXPECT_EQ(form->topicList->currentText(), QStringLiteral("计算机"));
    form->translateButton->click();
    EXPECT_EQ(form->sourceCode(), QByteArray("ZH_CN"));
    EXPECT_EQ(form->targetCode(), QByteArray("EN"));
    EXPECT_EQ(form->topicCode(), QByteArray("gl6"));
    EXPECT_TRUE(form->translateButton->isEnabled());
    EXPECT_EQ(ScreenCursor(), crDefault);

    choose(*form, 1, Japanese, French);
    form->translateButton->click();
    EXPECT_EQ(form->sourceCode(), QByteArray("ja"));
    EXPECT_EQ(form->targetCode(), QByteArray("fr"));

    // A list without a selection keeps the code of the previous translation.
    form->textServiceSourceList->setCurrentIndex(-1);
    form->translateButton->click();
    EXPECT_EQ(form->sourceCode(), QByteArray("ja"));

    // No engine selected: nothing happens at all.
    const int boxes = answer.count();
    form->sourceText->clear();
    form->engineList->setCurrentIndex(-1);
    form->translateButton->click();
    EXPECT_EQ(answer.count(), boxes);
    qunsetenv("QUILLO_SERVICE");
}

TEST_F(MainFormTest, CtrlEnterAndShiftEnterTranslateEachAndSwallowTheLineBreak)
{
    auto form = showForm();
    choose(*form, 1, Simplified, Traditional);
    form->sourceText->setFocus();
    form->sourceText->setPlainText(QStringLiteral("中国"));
    form->sourceText->moveCursor(QTextCursor::End);
    QTest::keyClick(form->sourceText, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(form->resultText->toPlainText(), QStringLiteral("中國"));
    form->resultText->clear();
    QTest::keyClick(form->sourceText, Qt::Key_Enter, Qt::ShiftModifier | Qt::KeypadModifier);
    EXPECT_EQ(form->resultText->toPlainText(), QStringLiteral("中國"));
    EXPECT_EQ(form->sourceText->toPlainText(), QStringLiteral("中国"));

    QTest::keyClick(form->sourceText, Qt::Key_Return);
    QTest::keyClicks(form->sourceText, QStringLiteral("ok"));
    EXPECT_EQ(form->sourceText->toPlainText(), QStringLiteral("中国\nok")) << "a plain Enter breaks the line";

    // With both held the action runs twice, one after the other: two refusals for an empty text.
    form->sourceText->clear();
    ModalAnswer answer;
    QTest::keyClick(form->sourceText, Qt::Key_Return, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(answer.texts, QStringList({kEmptyText, kEmptyText}));
    EXPECT_EQ(form->sourceText->toPlainText(), QString());
}

TEST_F(MainFormTest, TheKeyboardRunsTheActionEvenWhileTheButtonIsDisabled)
{
    auto form = showForm();
    choose(*form, 0, Simplified, Traditional);
    form->sourceText->setPlainText(QStringLiteral("国"));
    form->translateButton->setEnabled(false);
    QTest::keyClick(form->sourceText, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(form->resultText->toPlainText(), QStringLiteral("國"));
}

TEST_F(MainFormTest, SwitchingTheEngineShowsItsSourceList)
{
    auto form = showForm();
    form->engineList->setCurrentIndex(1);
    EXPECT_TRUE(form->textServiceSourceList->isVisible());
    EXPECT_FALSE(form->worldLingoSourceList->isVisible());
    form->engineList->setCurrentIndex(0);
    EXPECT_FALSE(form->textServiceSourceList->isVisible());
    EXPECT_TRUE(form->worldLingoSourceList->isVisible());
    form->engineList->setCurrentIndex(-1);
    EXPECT_TRUE(form->worldLingoSourceList->isVisible()) << "no engine changes nothing";
    for (QWidget* control : std::initializer_list<QWidget*>{form->languagePairList})
        EXPECT_FALSE(control->isVisible());
    EXPECT_EQ(form->sourceLanguageLabel->text(), QStringLiteral("原文语言："));
}

TEST_F(MainFormTest, ClosingAnyListPutsTheCaretBackIntoTheSourceBox)
{
    auto form = showForm();
    for (TSkinComboBox* list : {form->textServiceSourceList, form->worldLingoSourceList, form->languagePairList,
                                form->targetList, form->topicList, form->engineList}) {
        form->clearButton->setFocus();
        ASSERT_NE(form->focusWidget(), form->sourceText);
        list->showPopup();
        list->hidePopup();
        EXPECT_EQ(form->focusWidget(), form->sourceText) << list->objectName().toStdString();
    }
}

TEST_F(MainFormTest, AServiceSentenceInPlaceOfTheTranslationIsShownButNeverTakenForOne)
{
    const struct
    {
        QString reply;
        bool translation;
    } replies[] = {
        {QStringLiteral("Bonjour"), true},
        {QStringLiteral("本服务器没有从英语翻译到法语的翻译引擎。\n添加翻译引擎：启动服务器前设置 QUILLO_LLM_URL"), false},
        {QStringLiteral("大模型翻译服务拒绝了服务器的密钥（HTTP 401），请检查 QUILLO_LLM_KEY。"), false},
        {QStringLiteral("翻译引擎出错，本次翻译没有完成，请稍后再试。"), false},
    };
    for (const auto& reply : replies) {
        TextServiceStandIn service(reply.reply);
        auto form = showForm();
        QSignalSpy shown(form.get(), &MainWindow::translationShown);
        choose(*form, 1, English, French);
        form->sourceText->setPlainText(QStringLiteral("Hello"));
        form->translateButton->click();
        EXPECT_EQ(form->resultText->toPlainText(), reply.reply);
        EXPECT_EQ(shown.count(), reply.translation ? 1 : 0) << reply.reply.toStdString();
        EXPECT_TRUE(form->translateButton->isEnabled());
    }
}

TEST_F(MainFormTest, ASlowTranslationCountsItsSecondsAndEscapeAbandonsIt)
{
    TextServiceStandIn silent(std::nullopt);
    auto form = showForm();
    // Were Escape lost, the request's time-out box must not hang the test.
    ModalAnswer boxes;
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    QSignalSpy shown(form.get(), &MainWindow::translationShown);
    choose(*form, 1, English, French);
    form->sourceText->setPlainText(QStringLiteral("Hello"));
    form->resultText->setPlainText(QStringLiteral("上次的译文"));

    QStringList seen;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const QString text = form->resultText->toPlainText();
        if (seen.isEmpty() || seen.constLast() != text)
            seen.append(text);
        if (text.contains(QStringLiteral(" 1 秒")))
            QTest::keyClick(form->sourceText, Qt::Key_Escape);
    });
    watch.start(20);
    form->translateButton->click();
    watch.stop();

    ASSERT_GE(seen.size(), 2) << seen.join(QStringLiteral(" | ")).toStdString();
    EXPECT_EQ(seen.at(0), QStringLiteral("翻译中…"));
    EXPECT_TRUE(seen.at(1).startsWith(QStringLiteral("翻译中… 1 秒")));
    EXPECT_EQ(form->resultText->toPlainText(), QString()) << "nothing of the abandoned translation stays";
    EXPECT_TRUE(form->translateButton->isEnabled());
    EXPECT_EQ(ScreenCursor(), crDefault);
    EXPECT_EQ(shown.count(), 0);
    EXPECT_EQ(boxes.count(), 0);
    // Escape with nothing running changes nothing.
    form->resultText->setPlainText(QStringLiteral("译文"));
    QTest::keyClick(form->sourceText, Qt::Key_Escape);
    EXPECT_EQ(form->resultText->toPlainText(), QStringLiteral("译文"));
}

TEST_F(MainFormTest, TabLeavesTheSourceBoxAndCtrlShiftSSwapsTheLanguagesAsTheLabelSays)
{
    auto form = showForm();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    choose(*form, 1, English, French);
    form->sourceText->setFocus();
    form->sourceText->setPlainText(QStringLiteral("ab"));
    QTest::keyClick(form->sourceText, Qt::Key_Tab);
    EXPECT_EQ(form->sourceText->toPlainText(), QStringLiteral("ab"));
    EXPECT_NE(QApplication::focusWidget(), form->sourceText);

    EXPECT_TRUE(form->sourceLanguageLabel->toolTip().contains(QStringLiteral("Ctrl+Shift+S")));
    QTest::keyClick(form->sourceText, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(form->textServiceSourceList->currentIndex(), French);
    EXPECT_EQ(form->targetList->currentIndex(), English);
}

TEST_F(MainFormTest, TheSourceCountFollowsTheTextAndTellsWhenAPasteWasCut)
{
    auto form = showForm();
    form->sourceText->setPlainText(QStringLiteral("你好\nab"));
    EXPECT_EQ(form->sourceCount->text(), QStringLiteral("5/2000"));
    form->sourceText->insertPlainText(QString(2100, QLatin1Char('x')));
    QCoreApplication::processEvents();
    EXPECT_EQ(form->sourceText->toPlainText().size(), 2000);
    EXPECT_TRUE(form->sourceCount->text().endsWith(QStringLiteral("2000/2000")));
    EXPECT_TRUE(form->sourceCount->text().contains(QStringLiteral("105 字已截去"))) << form->sourceCount->text().toStdString();
    // The next change ends the notice.
    QTest::keyClick(form->sourceText, Qt::Key_Backspace);
    EXPECT_EQ(form->sourceCount->text(), QStringLiteral("1999/2000"));
}
