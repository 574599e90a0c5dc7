// The baseline of the start-up benchmark: the least a Qt Widgets program needs to show a window
// with one text box. It reports its first paint through the program's own StartupProbe (the one
// file it shares with the program). With the argument "cjk" the box shows a line of Chinese in
// the program's Song face, which is what the fonts alone cost.
#include "app/StartupProbe.h"

#include <QApplication>
#include <QMainWindow>
#include <QPlainTextEdit>

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
    quillo::StartupProbe probe(&window);
    window.show();
    return app.exec();
}
