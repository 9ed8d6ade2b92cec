// qtminimal: the least a Qt 6 widget program does to show a window the size of TOVL's; the
// yardstick for the window's start-up.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.resize(409, 265);
    window.show();
    return app.exec();
}
