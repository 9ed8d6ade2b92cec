// tovl-console: runs a TOVL script in a terminal with the same start-up as the window.
#include "app/script_check_report.h"
#include "app/script_file.h"
#include "interp/interpreter.h"
#include "commands/commands.h"
#include "host/console_host.h"
#include "interp/error_report.h"
#include "interp/script_text.h"
#include "interp/utf8.h"
#include "platform/clock_random.h"
#include "platform/linux_files.h"
#include "platform/linux_system.h"

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

const char usage[] = "usage: tovl-console [--dry-run] [--trace] [--encoding=ENCODING] SCRIPT\n"
                     "       tovl-console --check [--werror] [--encoding=ENCODING] SCRIPT...\n"
                     "       tovl-console --help | --version\n";

const char help[] =
    "Runs the TOVL script SCRIPT in this terminal.\n"
    "\n"
    "Printed output goes to standard output, one LF for each CR LF. Messages and prompts go\n"
    "to standard error; answers are read from standard input, and end of input answers\n"
    "with the empty text.\n"
    "\n";

const char help_options[] =
    "options:\n"
    "  --check              check the scripts without running them: report each mistake\n"
    "                       found as FILE:LINE:COLUMN: error|warning: MESSAGE\n"
    "  --werror             with --check, count warnings as errors\n"
    "  --trace              write every line that runs on standard error, with its number\n"
    "                       and what it changed\n"
    "  --dry-run            report programs, shutdowns and CD tray commands on standard\n"
    "                       error instead of performing them\n"
    "  --encoding=ENCODING  read the script and run in ENCODING, utf-8 or windows-1252,\n"
    "                       whatever the script holds\n"
    "  --help               show this help and exit\n"
    "  --version            show the version and exit\n"
    "\n"
    "exit status: 0 when the script ends or runs \"fendp\"; 1 after a run-time error in the\n"
    "second run; 2 when the script cannot be read or the arguments are wrong; 3 when the\n"
    "output could not be written to standard output (a full disk, a closed pipe). With --check:\n"
    "0 when no script has an error, 1 when one has, 2 when one cannot be read.\n";

struct console_options {
    bool dry_run = false;
    bool check = false;
    bool werror = false;
    bool trace = false;
    std::optional<tovl::text_encoding> encoding;
    std::vector<const char*> scripts; // one, or with --check any number
};

// The exit status to leave with at once, or nothing when the script should run.
std::optional<int> parse_options(int argc, char** argv, console_options& opts) {
    bool options_ended = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (!options_ended && std::strcmp(arg, "--help") == 0) {
            std::fputs(usage, stdout);
            std::fputs(help, stdout);
            std::fputs(tovl::script_reading_help, stdout);
            std::fputs(help_options, stdout);
            return 0;
        }
        if (!options_ended && std::strcmp(arg, "--version") == 0) {
            std::puts("tovl-console " TOVL_VERSION);
            return 0;
        }
        std::optional<tovl::encoding_option> encoding;
        if (!options_ended) encoding = tovl::parse_encoding_option(arg);
        if (encoding && !encoding->encoding) {
            std::fprintf(stderr,
                         "tovl-console: unknown encoding in '%s': use utf-8 or windows-1252\n%s",
                         arg, usage);
            return 2;
        }
        if (encoding) {
            opts.encoding = encoding->encoding;
        } else if (!options_ended && std::strcmp(arg, "--dry-run") == 0) {
            opts.dry_run = true;
        } else if (!options_ended && std::strcmp(arg, "--check") == 0) {
            opts.check = true;
        } else if (!options_ended && std::strcmp(arg, "--werror") == 0) {
            opts.werror = true;
        } else if (!options_ended && std::strcmp(arg, "--trace") == 0) {
            opts.trace = true;
        } else if (!options_ended && std::strcmp(arg, "--") == 0) {
            options_ended = true;
        } else if (!options_ended && arg[0] == '-' && arg[1] != '\0') {
            std::fprintf(stderr, "tovl-console: unknown option '%s'\n%s", arg, usage);
            return 2;
        } else {
            opts.scripts.push_back(arg);
        }
    }
    if (opts.scripts.empty()) {
        std::fprintf(stderr, "tovl-console: no script given\n%s", usage);
        return 2;
    }
    if (opts.scripts.size() > 1 && !opts.check) {
        std::fprintf(stderr, "tovl-console: one script at a time\n%s", usage);
        return 2;
    }
    if (opts.werror && !opts.check) {
        std::fprintf(stderr, "tovl-console: --werror goes with --check\n%s", usage);
        return 2;
    }
    return std::nullopt;
}

} // namespace

// Exit statuses: 0 when the script ends or runs "fendp", 1 after a run-time error in the second
// run, 2 when the script cannot be read or the arguments are wrong, 3 when the output could not
// be written.
int main(int argc, char** argv) {
    console_options opts;
    if (std::optional<int> status = parse_options(argc, argv, opts)) return *status;

    using namespace tovl;
    if (opts.check) return check_script_files(opts.scripts, opts.encoding, opts.werror);
    console_host host;
    loaded_script script = load_script(opts.scripts[0], opts.encoding);
    if (script.error) {
        // The name is written back to the terminal with the bytes it was given.
        host.report(u"tovl-console: " + cannot_read_message(opts.scripts[0], *script.error));
        return 2;
    }
    if (mixes_line_ends(script.content)) {
        host.report(u"tovl-console: warning: " + from_utf8(opts.scripts[0]) + u": " +
                    text(line_feed_hint));
    }

    linux_system real_system(script.encoding);
    dry_run_system rehearsal(script.encoding,
                             [&host](const text& line) { host.report(u"tovl-console: " + line); });
    linux_files files(script.encoding);
    clock_random random;
    system_services* system = &real_system;
    if (opts.dry_run) system = &rehearsal;
    run_services services{host, *system, files, random};
    interpreter runner(services, commands::every_command());
    if (opts.trace) runner.set_trace([&host](text_view line) { host.trace(line); });
    run_outcome outcome = runner.run_with_fallback(script.content, [&](const run_error& error) {
        host.report(u"tovl-console: " + fallback_report(error, script.content));
    });
    int status = 0;
    if (outcome.end == run_end::failed) {
        host.report(u"tovl-console: " + fatal_report(outcome.error, script.content));
        status = 1;
    }
    // Output that could not be written is a failure of its own, said once.
    host.flush(true);
    if (int err = host.output_error()) {
        host.report(u"tovl-console: the output could not be written to standard output: " +
                    from_utf8(std::strerror(err)));
        status = 3;
    }
    return status;
}
