// Start-up with its one-time fallback, shared by the window and the console executables, and
// the file copy of the file commands.
#include "app/tovlmod.h"

#include "interp/codepage.h"
#include "platform/copyfile.h"

namespace tovl {

// An error between the open and the close leaves the script file open under its number.
void Main(interpreter& interp, hostwindow& host, textview argumenttext,
          const fallbacknotice& notice, textfiles& files) {
    bool inrun = false;
    try {
        int number = files.lowestfree();
        if (argumenttext.size() < 2) throw runerror(errorkind::invalidargument);
        textview path = argumenttext.substr(1, argumenttext.size() - 2);
        files.open(number, path, filemode::input);
        int64_t length = files.length(number);
        host.setintext(files.read(number, length));
        files.close(number);
        host.showwindow();
        inrun = true;
        interp.runprogram();
    } catch (const runerror& error) {
        notice(error, inrun);
        host.showwindow();
        interp.runprogram();
    }
}

bool copyfile(textview source, textview destination, int16_t failifexists) {
    std::string from = encodecodepage(source);
    std::string to = encodecodepage(destination);
    return CopyFileA(from.c_str(), to.c_str(), failifexists) > 0;
}

} // namespace tovl
