// Drives the installed program from inside: loaded with LD_PRELOAD, it does what a user does and
// reports on standard output, so the test needs no hook in the program and no screen
// coordinates. Once the main window shows, it types QUILLO_DRIVE_TEXT into the source box, presses
// Ctrl+Enter and prints "result " with the result box; a message box on the way is printed as
// "message " with its text and answered. At the end of its standard input it closes the main
// window as its close button does.
#include <QApplication>
#include <QDialog>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSocketNotifier>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

QWidget* mainWindow()
{
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible() && window->findChild<QPlainTextEdit*>(QStringLiteral("Memo1")))
            return window;
    }
    return nullptr;
}

class Driver : public QObject
{
public:
    Driver() : QObject(qApp), m_input(STDIN_FILENO, QSocketNotifier::Read, this)
    {
        m_input.setEnabled(false);
        connect(&m_input, &QSocketNotifier::activated, this, &Driver::readInput);
        connect(&m_boxes, &QTimer::timeout, this, &Driver::answerMessageBox);
        m_boxes.start(50);
        waitForWindow();
    }

private:
    void waitForWindow()
    {
        if (!mainWindow()) {
            QTimer::singleShot(20, this, &Driver::waitForWindow);
            return;
        }
        translate(qEnvironmentVariable("QUILLO_DRIVE_TEXT"));
        m_input.setEnabled(true);
    }

    void translate(const QString& text)
    {
        QWidget* window = mainWindow();
        auto* source = window->findChild<QPlainTextEdit*>(QStringLiteral("Memo1"));
        auto* result = window->findChild<QPlainTextEdit*>(QStringLiteral("Memo2"));
        source->setFocus();
        source->setPlainText(text);
        // The main window's request keeps the events running until it has ended, inside this call.
        QTest::keyClick(source, Qt::Key_Return, Qt::ControlModifier);
        say(QStringLiteral("result ") + result->toPlainText());
    }

    void answerMessageBox()
    {
        auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!box)
            return;
        if (auto* text = box->findChild<QLabel*>(QStringLiteral("MessageText")))
            say(QStringLiteral("message ") + text->text());
        box->reject();
    }

    static void say(QString line)
    {
        std::fputs((line.replace(QLatin1Char('\n'), QLatin1Char(' ')).toUtf8() + '\n').constData(), stdout);
        std::fflush(stdout);
    }

    void readInput()
    {
        char buffer[256];
        if (::read(STDIN_FILENO, buffer, sizeof buffer) > 0)
            return;
        m_input.setEnabled(false);
        if (QWidget* window = mainWindow())
            window->close();
    }

    QSocketNotifier m_input;
    QTimer m_boxes;
};

void startDriving()
{
    // Only the program is driven; the server it starts must not load this library again.
    ::unsetenv("LD_PRELOAD");
    // Called from inside the application's constructor: the driver starts once the loop runs.
    if (QFileInfo(QCoreApplication::applicationFilePath()).fileName() == QLatin1String("quillo"))
        QMetaObject::invokeMethod(qApp, [] { new Driver; }, Qt::QueuedConnection);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(startDriving)
