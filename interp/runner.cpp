// The program runner: walks the script's lines with the line counter.
#include "interp/interpreter.h"
#include "interp/runerror.h"
#include "interp/scripttext.h"

#include <deque>
#include <new>

namespace tovl {

namespace {

// The caches of one run's lines. A line gets one when it runs for the second time: a line that
// runs once gains nothing from it, and a long script that runs straight through should not pay
// for a cache per line.
class runcaches {
  public:
    explicit runcaches(size_t lines) : caches(lines, nullptr), visited(lines, false) {}

    interpreter::linecache* forline(size_t index) {
        interpreter::linecache* cache = caches[index];
        if (cache) return cache;
        if (!visited[index]) {
            visited[index] = true;
            return nullptr;
        }
        return caches[index] = &pool.emplace_back();
    }

  private:
    std::vector<interpreter::linecache*> caches;
    std::vector<bool> visited;
    std::deque<interpreter::linecache> pool; // stable addresses
};

} // namespace

void interpreter::runprogram() {
    text script = host.getintext();
    std::vector<textview> lines = splitlines(script);
    if (lines.size() > 32768) throw runerror(errorkind::overflow);
    runcaches caches(lines.size());
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
            current = caches.forline(static_cast<size_t>(curline));
            checkline(lines[curline]);
            if (curline == 32767) throw runerror(errorkind::overflow);
            ++curline;
        }
    } catch (runerror& error) {
        current = nullptr;
        error.placeatline(lastline);
        throw;
    } catch (const std::bad_alloc&) {
        // A script can ask for more memory than there is (a text doubled again and again):
        // that is its run-time error, not a crash.
        current = nullptr;
        throw runerror(errorkind::outofmemory, lastline);
    } catch (...) {
        current = nullptr;
        throw;
    }
    current = nullptr;
}

} // namespace tovl
