// qttextwindow: a Qt 6 window of TOVL's size holding one plain-text box, as TOVL's does; a
// second yardstick that shows what the text box itself (and the fonts it loads) costs.
#include <QApplication>
#include <QPlainTextEdit>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.resize(409, 265);
    auto* box = new QPlainTextEdit(&window);
    box->setGeometry(0, 0, 409, 265);
    window.show();
    return app.exec();
}
