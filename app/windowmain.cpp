// tovl: runs a TOVL script in its window.
#include "app/tovlmod.h"
#include "host/frmtovl.h"
#include "interp/codepage.h"
#include "interp/errorreport.h"
#include "platform/linuxsystem.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    using namespace tovl;

    // The argument text as the platform hands it over: each argument in double quotes, joined
    // by one blank. Start-up drops its first and last characters.
    text argumenttext;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) argumenttext += u' ';
        argumenttext += u'"' + decodecodepage(argv[i]) + u'"';
    }

    frmtovl window;
    linuxsystem system;
    interpreter interp(window, system);
    try {
        Main(interp, window, argumenttext, [](const runerror&, bool) {});
    } catch (const programend&) {
        textfiles::process().closeall();
        return 0;
    } catch (const runerror& error) {
        window.showfatalreport(fatalreport(error, window.getintext()));
        return 1;
    }
    window.refreshoutput();
    return QApplication::exec();
}
