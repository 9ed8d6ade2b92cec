// Start-up with its one-time fallback, shared by the window and the console executables.
#include "app/tovlmod.h"

#include "interp/codepage.h"
#include "platform/readfile.h"

namespace tovl {

void Main(interpreter& interp, hostwindow& host, textview argumenttext,
          const fallbacknotice& notice) {
    bool inrun = false;
    try {
        if (argumenttext.size() < 2) throw runerror(errorkind::invalidargument);
        textview path = argumenttext.substr(1, argumenttext.size() - 2);
        host.setintext(decodecodepage(readwholefile(encodecodepage(path))));
        host.showwindow();
        inrun = true;
        interp.runprogram();
    } catch (const runerror& error) {
        notice(error, inrun);
        host.showwindow();
        interp.runprogram();
    }
}

} // namespace tovl
