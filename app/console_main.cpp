// tovl-console: runs a TOVL script in a terminal with the same start-up as the window.
#include "app/power_report.h"
#include "app/script_check_report.h"
#include "app/script_file.h"
#include "app/startup.h"
#include "app/terminal_question.h"
#include "commands/commands.h"
#include "host/console_host.h"
#include "interp/error_report.h"
#include "interp/interpreter.h"
#include "interp/utf8.h"

#include <cstdint>
#include <optional>
#include <string>

namespace {

const char usage[] = "usage: tovl-console [--once] [--dry-run] [--trace] [--encoding=ENCODING]\n"
                     "                    [--max-memory=SIZE] [--deny=POWER,...] [--ask] SCRIPT\n"
                     "       tovl-console --check [--werror] [--encoding=ENCODING] SCRIPT...\n"
                     "       tovl-console --powers [--encoding=ENCODING] SCRIPT\n"
                     "       tovl-console -h | --help | --version\n";

const char help[] =
    "Runs the TOVL script SCRIPT in this terminal.\n"
    "\n"
    "Printed output goes to standard output, one LF for each CR LF. Messages and prompts go\n"
    "to standard error; answers are read from standard input, and end of input answers\n"
    "with the empty text, 100 questions at most: the next one ends the run.\n"
    "\n";

const char help_options[] =
    "options:\n"
    "  --check              check the scripts, and try the part of each that needs no\n"
    "                       input (nothing outside is touched): report each mistake,\n"
    "                       run-time error and endless loop found as\n"
    "                       FILE:LINE:COLUMN: error|warning: MESSAGE\n"
    "  --werror             with --check, count warnings as errors\n"
    "  --powers             list what the script can do to the machine (run programs,\n"
    "                       delete or write files, the CD tray, shutdown), one line each\n"
    "                       with its line number and operand, without running it\n"
    "  --once               end the program at a run-time error in the first run, with\n"
    "                       status 1, instead of running the script again from its first\n"
    "                       line, which would print, save, start programs and ask again\n"
    "  --trace              write every line that runs on standard error, with its number\n"
    "                       and what it changed\n"
    "  --dry-run            report programs, shutdowns and CD tray commands on standard\n"
    "                       error instead of performing them\n"
    "  --ask                before a script that has powers and is not trusted runs, list\n"
    "                       them on the terminal and ask: once, always this version, trust\n"
    "                       its folder, or not at all (status 0)\n"
    "  --deny=POWER,...     refuse the powers named (run, delete, write, eject,\n"
    "                       shutdown): a line that uses one fails with run-time error 11\n"
    "                       before it does anything\n"
    "  --encoding=ENCODING  read the script and run in ENCODING, utf-8 or windows-1252,\n"
    "                       whatever the script holds\n"
    "  --max-memory=SIZE    let the texts of a run hold at most SIZE bytes (suffixes K, M,\n"
    "                       G); past it is run-time error 14. Default: a quarter of the\n"
    "                       memory, or the address-space limit (ulimit -v) when less\n"
    "  -h, --help           show this help and exit\n"
    "  --version            show the version and exit\n"
    "\n"
    "exit status: 0 when the script ends or runs \"fendp\"; 1 after a run-time error in the\n"
    "second run (in the first with --once); 2 when the script cannot be read or the\n"
    "arguments are wrong; 3 when the output could not be written to standard output (a full\n"
    "disk); 4 when the script kept asking after its input had ended. With --check: 0 when\n"
    "no script has an error, 1 when one has, 2 when one cannot be read.\n";

const tovl::runner_texts console_runner{"tovl-console", usage, help, help_options};

// The options of tovl-console beyond those both runners take.
struct console_flags {
    bool dry_run = false;
    bool check = false;
    bool werror = false;
    bool trace = false;
    bool powers = false;
    bool ask = false;
};

constexpr int out_of_answers_status = 4;

// How often a run looks whether its output has failed, in lines: a script that prints for ever
// to a full disk ends at once, and the look costs nothing measurable.
constexpr uint32_t output_check_interval = 256;

} // namespace

// Exit statuses: 0 when the script ends or runs "fendp", 1 after a run-time error in the second
// run (in the first with --once), 2 when the script cannot be read or the arguments are wrong, 3
// (output_failed_status) when the output could not be written, 4 (out_of_answers_status) when the
// script kept asking after its input had ended.
int main(int argc, char** argv) {
    using namespace tovl;
    console_flags flags;
    const runner_flag console_only[] = {
        {"--dry-run", &flags.dry_run}, {"--check", &flags.check, true}, {"--werror", &flags.werror},
        {"--trace", &flags.trace},     {"--powers", &flags.powers},     {"--ask", &flags.ask}};
    command_line args = read_command_line(argc, argv, console_only);
    if (std::optional<int> status = answer_request(console_runner, args.request)) return *status;
    if (args.error.empty() && args.scripts.empty()) args.error = "no script given";
    if (args.error.empty() && flags.werror && !flags.check) {
        args.error = "--werror goes with --check";
    }
    if (!args.error.empty()) {
        say_on_stderr(console_runner, args.error, usage);
        return 2;
    }

    set_memory_budget(args);
    if (flags.check) return check_script_files(args.scripts, args.encoding, flags.werror);
    if (flags.powers) return report_powers(args.scripts[0], args.encoding);
    const std::string& path = args.scripts[0];
    console_host host;
    loaded_script script = load_script(path, args.encoding, flags.ask);
    if (script.problem) {
        // The name is written back to the terminal with the bytes it was given.
        host.report(u"tovl-console: " + *script.problem);
        return 2;
    }
    if (flags.ask && !allowed_after_asking(path, script)) return 0;
    script.bytes = std::string(); // only the decoded text runs
    if (std::optional<text> warning = line_end_warning(path, script.content.chars())) {
        host.report(u"tovl-console: " + *warning);
    }

    dry_run_system::reporter rehearsal;
    if (flags.dry_run) {
        rehearsal = [&host](const text& said) { host.report(u"tovl-console: " + said); };
    }
    linux_run_services services(host, script.encoding, rehearsal, args.denied);
    interpreter runner(services.services(), commands::every_command());
    if (flags.trace) runner.set_trace([&host](text_view line) { host.trace(line); });
    runner.set_pause_point([&host] { return host.output_error() != 0; }, output_check_interval);
    run_outcome outcome =
        run_as_asked(runner, script.content.chars(), args, [&](const run_error& error) {
            host.report(u"tovl-console: " + fallback_report(error, script.content.chars()));
        });
    int status = 0;
    if (outcome.end == run_end::failed) {
        host.report(u"tovl-console: " + fatal_report(outcome.error, script.content.chars()));
        status = 1;
    }
    if (host.ran_out_of_answers()) {
        host.report(u"tovl-console: the input has ended, and the script kept asking: after " +
                    from_utf8(std::to_string(console_host::empty_answers_after_input_end)) +
                    u" empty answers, the next question ended the run");
        status = out_of_answers_status;
    }
    // Output that could not be written is a failure of its own, said once.
    host.flush(true);
    if (int err = host.output_error()) {
        host.report(u"tovl-console: " + output_failure_message(err));
        status = output_failed_status;
    }
    return status;
}
