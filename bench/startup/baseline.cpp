// The baseline of the start-up benchmark: the least a Qt Widgets program needs to show a window
// with one text box. Like the program, it prints "first-paint <steady clock ns>" after its first
// paint when QUILLO_STARTUP_PROBE is set, and leaves at once. With the argument "cjk" the box shows
// a line of Chinese in the program's Song face, which is what the fonts alone cost.
#include <QApplication>
#include <QEvent>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QTimer>
#include <chrono>
#include <cstdio>

namespace {

class FirstPaint : public QObject
{
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (m_armed && event->type() == QEvent::Paint) {
            m_armed = false;
            QTimer::singleShot(0, [] {
                const auto now = std::chrono::steady_clock::now().time_since_epoch();
                std::printf("first-paint %lld\n",
                            static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
                std::fflush(stdout);
                QCoreApplication::exit(0);
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_armed = true;
};

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QMainWindow window;
    auto* text = new QPlainTextEdit(&window);
    window.setCentralWidget(text);
    if (argc > 1 && QString::fromLocal8Bit(argv[1]) == QLatin1String("cjk")) {
        QFont song;
        song.setFamilies({QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("Noto Serif CJK SC"),
                          QStringLiteral("Noto Sans CJK SC")});
        song.setPixelSize(14);
        text->setFont(song);
        text->setPlainText(QStringLiteral("如使用中有什么问题请与我们联系"));
    }
    window.resize(671, 438);
    FirstPaint probe;
    if (qEnvironmentVariableIsSet("QUILLO_STARTUP_PROBE"))
        window.installEventFilter(&probe);
    window.show();
    return app.exec();
}
