// The program runner: walks the script's lines with the line counter.
#include "interp/interpreter.h"
#include "interp/runerror.h"
#include "interp/scripttext.h"

namespace tovl {

void interpreter::runprogram() {
    text script = host.getintext();
    std::vector<textview> lines = splitlines(script);
    if (lines.size() > 32768) throw runerror(errorkind::overflow);
    std::vector<linecache> caches(lines.size());
    lastjump = nullptr;
    const int16_t upper = static_cast<int16_t>(static_cast<int>(lines.size()) - 1);
    curline = 0;
    // The line that ran last: errors from the counter itself are placed there.
    int lastline = runerror::noline;
    try {
        while (curline <= upper) {
            if (curline < 0) throw runerror(errorkind::subscriptoutofrange);
            lastline = curline;
            if (stepsleft-- == 0) throw stepbudgetspent{};
            current = &caches[curline];
            checkline(lines[curline]);
            if (curline == 32767) throw runerror(errorkind::overflow);
            ++curline;
        }
    } catch (runerror& error) {
        current = nullptr;
        error.placeatline(lastline);
        throw;
    } catch (...) {
        current = nullptr;
        throw;
    }
    current = nullptr;
}

} // namespace tovl
