// tovl-console: runs a TOVL script in a terminal with the same start-up as the window.
#include "app/tovlmod.h"
#include "host/consolehost.h"
#include "interp/codepage.h"
#include "interp/errorreport.h"
#include "platform/linuxsystem.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

const char usage[] = "usage: tovl-console [--dry-run] SCRIPT\n"
                     "       tovl-console --help | --version\n";

const char help[] =
    "Runs the TOVL script SCRIPT in this terminal.\n"
    "\n"
    "Printed output goes to standard output, one LF for each CR LF. Messages and prompts go\n"
    "to standard error; answers are read from standard input, and end of input answers\n"
    "with the empty text.\n"
    "\n"
    "options:\n"
    "  --dry-run   report programs, shutdowns and CD tray commands on standard error\n"
    "              instead of performing them\n"
    "  --help      show this help and exit\n"
    "  --version   show the version and exit\n"
    "\n"
    "exit status: 0 when the script ends or runs \"fendp\"; 1 after a run-time error in the\n"
    "second run; 2 when the script cannot be read or the arguments are wrong.\n";

struct options {
    bool dryrun = false;
    const char* script = nullptr;
};

// Returns -1 when the run should go on, or the exit status to leave with.
int parseoptions(int argc, char** argv, options& opts) {
    bool optionsended = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (!optionsended && std::strcmp(arg, "--help") == 0) {
            std::fputs(usage, stdout);
            std::fputs(help, stdout);
            return 0;
        }
        if (!optionsended && std::strcmp(arg, "--version") == 0) {
            std::puts("tovl-console " TOVL_VERSION);
            return 0;
        }
        if (!optionsended && std::strcmp(arg, "--dry-run") == 0) {
            opts.dryrun = true;
        } else if (!optionsended && std::strcmp(arg, "--") == 0) {
            optionsended = true;
        } else if (!optionsended && arg[0] == '-' && arg[1] != '\0') {
            std::fprintf(stderr, "tovl-console: unknown option '%s'\n%s", arg, usage);
            return 2;
        } else if (opts.script) {
            std::fprintf(stderr, "tovl-console: one script at a time\n%s", usage);
            return 2;
        } else {
            opts.script = arg;
        }
    }
    if (!opts.script) {
        std::fprintf(stderr, "tovl-console: no script given\n%s", usage);
        return 2;
    }
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    options opts;
    if (int status = parseoptions(argc, argv, opts); status >= 0) return status;

    using namespace tovl;
    consolehost host;
    linuxsystem realsystem;
    dryrunsystem rehearsal([&host](const text& line) { host.report(u"tovl-console: " + line); });
    systemlayer& system = opts.dryrun ? static_cast<systemlayer&>(rehearsal) : realsystem;
    interpreter interp(host, system);
    // The path goes in quoted, as the window's start-up expects it; its bytes pass through the
    // code page unchanged.
    text argumenttext = u"\"" + decodecodepage(opts.script) + u"\"";
    bool unreadable = false;
    auto notice = [&](const runerror& error, bool inrun) {
        if (!inrun) {
            unreadable = true;
            host.report(u"tovl-console: cannot read " + decodecodepage(opts.script) + u": " +
                        fromascii(error.description()));
            return;
        }
        host.report(u"tovl-console: " + fallbackreport(error, host.getintext()));
    };
    try {
        Main(interp, host, argumenttext, notice);
    } catch (const programend&) {
        textfiles::process().closeall();
        return 0;
    } catch (const runerror& error) {
        host.report(u"tovl-console: " + fatalreport(error, host.getintext()));
        return 1;
    }
    return unreadable ? 2 : 0;
}
