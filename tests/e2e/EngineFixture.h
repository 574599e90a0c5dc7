#pragma once
// The main window pointed at a test's own service, with what the engine tests share: language
// indexes, a way to run one translation from the button, a scripted raw service that records
// every request, and an answer to the message boxes that does not disturb a request's wait.
#include "../app/MainFormFixture.h"
#include "../http/LoopbackServer.h"
#include "http/TWebRequest.h"
#include "ui/SkinControls.h"
#include "ui/TSkinMessage.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <functional>

namespace quillo::test {

enum Language {
    Simplified = 0, Traditional = 1, English = 2, Dutch = 3, French = 4, German = 5, Greek = 6,
    Italian = 7, Japanese = 8, Korean = 9, Portuguese = 10, Russian = 11, Spanish = 12
};
enum Engine { WorldLingo = 0, BabelFish = 1 };

constexpr int kComputing = 5; // the topic "计算机"

inline const QString kConnectionFailed = QStringLiteral("   连 接 服 务 器 超 时 ，请 稍 后 重 试 。");
inline const QString kHostUnreachable =
    QStringLiteral(" 如 果 安 装 了 防 火 墙 请 先 关 闭 或 设 置 允 许 访 问 网 络，然 后 重 试 。");
inline const QString kUnrecognisedReply = QStringLiteral("   服 务 器 返 回 的 内 容 无 法 识 别 ，请 稍 后 重 试 。");

// Notes each message box as it is shown, then closes it from the box's own loop. Unlike a
// polling timer it makes no events while no box is up, so a request's wait interval can run out.
class BoxAnswer : public QObject
{
public:
    explicit BoxAnswer(std::function<void()> whileShown = {})
        : m_whileShown(std::move(whileShown))
    {
        qApp->installEventFilter(this);
    }
    ~BoxAnswer() override { qApp->removeEventFilter(this); }

    QStringList texts;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* box = qobject_cast<SkinMessageDialog*>(watched);
        if (!box || event->type() != QEvent::Show)
            return false;
        const auto* label = box->findChild<QLabel*>(QStringLiteral("MessageText"));
        texts.append(label ? label->text() : QString());
        if (m_whileShown)
            m_whileShown();
        QTimer::singleShot(0, box, [] {
            if (QWidget* modal = QApplication::activeModalWidget())
                modal->close();
        });
        return false;
    }

private:
    std::function<void()> m_whileShown;
};

// A raw HTTP service: each request is handed to the responder with its connection.
class ScriptedService : public LoopbackServer
{
public:
    using Responder = std::function<void(Connection&, const QByteArray& request)>;
    explicit ScriptedService(Responder responder)
        : LoopbackServer([responder](Connection& connection) {
            for (QByteArray request = connection.readRequest(); !request.isEmpty();
                 request = connection.readRequest())
                responder(connection, request);
        })
    {
    }
    QString base() const { return url(QString()); }
};

inline QByteArray requestLine(const QByteArray& request)
{
    return request.left(request.indexOf("\r\n"));
}

inline QByteArray babelFishPage(const QByteArray& translation)
{
    return "<html><body><h1>Results</h1>\n<div id=\"result\"><div style=\"padding:0.6em;\">" + translation
           + "</div></div>\n</body></html>";
}

class EngineTest : public MainFormTest
{
protected:
    void TearDown() override
    {
        qunsetenv("QUILLO_SERVICE");
        MainFormTest::TearDown();
    }

    // The window reads the service address when it sets up its requests.
    std::unique_ptr<MainWindow> showFormFor(const QString& base)
    {
        qputenv("QUILLO_SERVICE", base.toUtf8());
        return showForm();
    }

    // Runs one translation from the button; with both components waiting in Read it returns
    // once the translation has ended.
    static void translate(MainWindow& form, int engine, int source, int target, const QString& text)
    {
        choose(form, engine, source, target);
        form.sourceText->setPlainText(text);
        form.translateButton->click();
    }

    static void choose(MainWindow& form, int engine, int source, int target)
    {
        form.engineList->setCurrentIndex(engine);
        (engine == WorldLingo ? form.worldLingoSourceList : form.textServiceSourceList)->setCurrentIndex(source);
        form.targetList->setCurrentIndex(target);
    }

    static bool idle(const MainWindow& form)
    {
        return form.translateButton->isEnabled() && ScreenCursor() == crDefault;
    }
};

} // namespace quillo::test
