// firstpaint: times a window program from its launch to its first paint on the X display, and
// reports its peak memory.
//
// usage: firstpaint [-v] [-t SECONDS] COMMAND [ARG...]
//
// Watches the display from outside, so the program needs no hook. A Damage object on the root
// window, made before the program is started, reports every drawing on the screen, and drawing
// into a window is drawing on the root window's screen area; so no paint can come before the
// watching starts. The first damage that falls on a mapped top-level window is the first paint.
// Windows without a background (Qt's) get no fill from the server when they map, so that first
// damage is the program's own drawing. Meant for a display of its own with no window manager,
// such as a private Xvfb: a window manager's frames and their decorations would count as paints.
//
// Prints one line, "SECONDS PEAK_RSS_KB", then ends the program with SIGTERM. The time counts
// from just before the fork. The memory is the program's ru_maxrss from wait4. The child starts
// as a copy of this small client, and Linux takes the larger of that copy's peak and the
// program's; the copy is about 4 MB against the tens of megabytes of a toolkit program, so it
// never sets the figure. -v tells on stderr what it sees, and also the program's VmHWM read just
// before the kill, which leaves the copy out; the two agree to a few hundred kB.
// Give the program itself as the command, not a shell or other wrapper, or the memory and the
// processor time are the wrapper's.
//
// Exit status: 0 measured; 2 usage; 3 no display or no Damage extension; 4 no paint within the
// time limit (20 s unless -t); 5 the program could not be started or ended before painting.
#include <X11/Xlib.h>
#include <X11/extensions/Xdamage.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <map>
#include <poll.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

bool verbose = false;

double now() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Nothing this client asks for should fail; an error is told and otherwise ignored.
int ignoreerror(Display* display, XErrorEvent* error) {
    if (verbose) {
        char message[256];
        XGetErrorText(display, error->error_code, message, sizeof message);
        std::fprintf(stderr, "firstpaint: X error ignored: %s (request %d)\n", message,
                     error->request_code);
    }
    return 0;
}

// A top-level window of the program: where it is on the screen, border included.
struct watched {
    int x = 0, y = 0, width = 0, height = 0;
    bool mapped = false;
};

bool overlaps(const watched& w, const XRectangle& r) {
    return r.x < w.x + w.width && w.x < r.x + r.width && r.y < w.y + w.height &&
           w.y < r.y + r.height;
}

long vmhwm(pid_t pid) {
    std::string path = "/proc/" + std::to_string(pid) + "/status";
    FILE* f = std::fopen(path.c_str(), "r");
    if (!f) return -1;
    char line[256];
    long kb = -1;
    while (std::fgets(line, sizeof line, f))
        if (std::sscanf(line, "VmHWM: %ld kB", &kb) == 1) break;
    std::fclose(f);
    return kb;
}

// Ends the program and whatever it started (its process group, see the fork): SIGTERM, and
// SIGKILL if it is still there after five seconds. A wrapper such as strace would otherwise
// leave the window program running.
int endchild(pid_t pid, rusage& usage) {
    kill(-pid, SIGTERM);
    int status = 0;
    for (double deadline = now() + 5.0; now() < deadline;) {
        pid_t done = wait4(pid, &status, WNOHANG, &usage);
        if (done == pid) return status;
        usleep(1000);
    }
    kill(-pid, SIGKILL);
    wait4(pid, &status, 0, &usage);
    return status;
}

} // namespace

int main(int argc, char** argv) {
    double limit = 20.0;
    int first = 1;
    for (; first < argc && argv[first][0] == '-'; ++first) {
        if (std::strcmp(argv[first], "-v") == 0) {
            verbose = true;
        } else if (std::strcmp(argv[first], "-t") == 0 && first + 1 < argc) {
            limit = std::atof(argv[++first]);
        } else if (std::strcmp(argv[first], "--") == 0) {
            ++first;
            break;
        } else {
            break;
        }
    }
    if (first >= argc || argv[first][0] == '-') {
        std::fprintf(stderr, "usage: firstpaint [-v] [-t SECONDS] COMMAND [ARG...]\n");
        return 2;
    }

    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "firstpaint: cannot open display \"%s\"\n", XDisplayName(nullptr));
        return 3;
    }
    int damageevent = 0, damageerror = 0;
    if (!XDamageQueryExtension(display, &damageevent, &damageerror)) {
        std::fprintf(stderr, "firstpaint: the display has no Damage extension\n");
        return 3;
    }
    // The server takes Damage requests only from a client that has told it its version.
    int major = 1, minor = 1;
    XDamageQueryVersion(display, &major, &minor);
    XSetErrorHandler(ignoreerror);
    // The program must not inherit this connection.
    fcntl(ConnectionNumber(display), F_SETFD, FD_CLOEXEC);

    Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    // Every drawing op is one event, so no subtracting is needed to hear of the next one.
    XDamageCreate(display, root, XDamageReportRawRectangles);
    // Both are in force before the program exists, so neither a window nor a paint can be missed.
    XSync(display, False);

    // A failed exec reports its errno through this pipe; a successful one closes it.
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) {
        std::perror("firstpaint: pipe");
        return 5;
    }
    double start = now();
    pid_t pid = fork();
    if (pid < 0) {
        std::perror("firstpaint: fork");
        return 5;
    }
    if (pid == 0) {
        setpgid(0, 0);
        execvp(argv[first], argv + first);
        int error = errno;
        ssize_t ignored = write(report[1], &error, sizeof error);
        (void)ignored;
        _exit(127);
    }
    // Both sides set the group, so that it exists whichever runs first.
    setpgid(pid, pid);
    close(report[1]);
    int execerror = 0;
    if (read(report[0], &execerror, sizeof execerror) == sizeof execerror) {
        std::fprintf(stderr, "firstpaint: cannot run %s: %s\n", argv[first],
                     std::strerror(execerror));
        waitpid(pid, nullptr, 0);
        return 5;
    }
    close(report[0]);
    // The clock reading itself, for lining these times up with timings taken inside a program.
    if (verbose) std::fprintf(stderr, "firstpaint: started at CLOCK_MONOTONIC %.6f\n", start);

    std::map<Window, watched> windows;
    double painted = -1;
    rusage usage{};
    int status = 0;
    bool ended = false;
    long hwm = -1;
    pollfd connection{ConnectionNumber(display), POLLIN, 0};

    while (painted < 0) {
        if (!XPending(display)) {
            double left = start + limit - now();
            if (left <= 0) {
                std::fprintf(stderr, "firstpaint: no paint within %g s\n", limit);
                endchild(pid, usage);
                return 4;
            }
            // Wakes now and then to notice a program that ended without painting.
            int wait = static_cast<int>(left * 1000) + 1;
            poll(&connection, 1, wait < 20 ? wait : 20);
            if (wait4(pid, &status, WNOHANG, &usage) == pid) {
                ended = true;
                break;
            }
            continue;
        }
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == CreateNotify && event.xcreatewindow.parent == root) {
            const XCreateWindowEvent& e = event.xcreatewindow;
            windows[e.window] = {e.x, e.y, e.width + 2 * e.border_width,
                                 e.height + 2 * e.border_width, false};
            if (verbose)
                std::fprintf(stderr, "firstpaint: %.6f created 0x%lx %dx%d+%d+%d\n", now() - start,
                             e.window, e.width, e.height, e.x, e.y);
        } else if (event.type == ConfigureNotify && event.xconfigure.event == root) {
            const XConfigureEvent& e = event.xconfigure;
            auto found = windows.find(e.window);
            if (found != windows.end())
                found->second = {e.x, e.y, e.width + 2 * e.border_width,
                                 e.height + 2 * e.border_width, found->second.mapped};
        } else if (event.type == MapNotify && event.xmap.event == root) {
            auto found = windows.find(event.xmap.window);
            if (found == windows.end()) continue;
            found->second.mapped = true;
            if (verbose)
                std::fprintf(stderr, "firstpaint: %.6f mapped 0x%lx\n", now() - start,
                             event.xmap.window);
        } else if (event.type == UnmapNotify && event.xunmap.event == root) {
            auto found = windows.find(event.xunmap.window);
            if (found != windows.end()) found->second.mapped = false;
        } else if (event.type == DestroyNotify && event.xdestroywindow.event == root) {
            windows.erase(event.xdestroywindow.window);
        } else if (event.type == damageevent + XDamageNotify) {
            const XRectangle& area = reinterpret_cast<XDamageNotifyEvent*>(&event)->area;
            for (const auto& [window, state] : windows) {
                if (!state.mapped || !overlaps(state, area)) continue;
                painted = now() - start;
                if (verbose)
                    std::fprintf(stderr, "firstpaint: %.6f painted 0x%lx area %dx%d+%d+%d\n",
                                 painted, window, area.width, area.height, area.x, area.y);
                break;
            }
        }
    }

    if (ended) {
        std::fprintf(stderr, "firstpaint: %s ended before painting (status %d)\n", argv[first],
                     status);
        return 5;
    }
    hwm = vmhwm(pid);
    endchild(pid, usage);
    std::printf("%.6f %ld\n", painted, usage.ru_maxrss);
    if (verbose) {
        std::fprintf(stderr, "firstpaint: ru_maxrss %ld kB, VmHWM before the kill %ld kB\n",
                     usage.ru_maxrss, hwm);
        // Processor time steadies comparisons on a busy machine, where the wall time mostly waits.
        std::fprintf(stderr, "firstpaint: processor time user %.6f s, system %.6f s\n",
                     static_cast<double>(usage.ru_utime.tv_sec) +
                         static_cast<double>(usage.ru_utime.tv_usec) * 1e-6,
                     static_cast<double>(usage.ru_stime.tv_sec) +
                         static_cast<double>(usage.ru_stime.tv_usec) * 1e-6);
    }
    XCloseDisplay(display);
    return 0;
}
