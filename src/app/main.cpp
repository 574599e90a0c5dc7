#include <QApplication>
#include <QMainWindow>

// A plain window until the main window lands.
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillo翻译软件"));
    QMainWindow window;
    window.setWindowTitle(QStringLiteral(" Quillo   翻   译   软   件 "));
    window.resize(671, 438);
    window.show();
    return app.exec();
}
