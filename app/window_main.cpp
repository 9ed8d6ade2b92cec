// tovl: runs a TOVL script in its window.
#include "app/power_consent.h"
#include "app/script_file.h"
#include "app/startup.h"
#include "commands/commands.h"
#include "host/main_window.h"
#include "host/output_store.h"
#include "host/startup_dialogs.h"
#include "interp/interpreter.h"
#include "interp/memory_budget.h"
#include "interp/script_text.h"
#include "interp/utf8.h"

#include <QApplication>
#include <QIcon>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>

namespace {

const char usage[] = "usage: tovl [--once] [--ask] [--encoding=ENCODING] [--max-memory=SIZE]\n"
                     "            [QT-OPTION...] [SCRIPT]\n"
                     "       tovl -h | --help | --version\n";

const char help[] =
    "Runs the TOVL script SCRIPT in a window, or with no SCRIPT the one chosen in a file\n"
    "chooser.\n"
    "\n"
    "Printed output appears in the window; messages and questions open boxes titled TOVL.\n"
    "The window stays open after the script's last line until it is closed; closing it\n"
    "during a run ends the run.\n"
    "\n";

const char help_options[] =
    "options:\n"
    "  --once               end the program at a run-time error in the first run, with\n"
    "                       status 1, instead of running the script again from its first\n"
    "                       line, which would print, save, start programs and ask again\n"
    "  --ask                before a script that can run programs, delete or write files,\n"
    "                       move the CD tray or shut down runs, list what it can do and\n"
    "                       ask whether to run it; \"Always run this version\" and \"Trust\n"
    "                       this folder\" are kept in $XDG_DATA_HOME/tovl/ (by default\n"
    "                       ~/.local/share/tovl/). The desktop starts tovl with --ask\n"
    "  --encoding=ENCODING  read the script and run in ENCODING, utf-8 or windows-1252,\n"
    "                       whatever the script holds\n"
    "  --max-memory=SIZE    let the texts of a run hold at most SIZE bytes (suffixes K, M,\n"
    "                       G); past it is run-time error 14. Default: a quarter of the\n"
    "                       memory, or the address-space limit (ulimit -v) when less\n"
    "  -h, --help           show this help and exit\n"
    "  --version            show the version and exit\n"
    "  Qt's own options, such as -platform NAME or -style NAME, are taken as well.\n"
    "\n"
    "exit status: 0 when the window is closed, the script runs \"fendp\", the file chooser\n"
    "is cancelled or the answer to --ask is \"Don't run\"; 1 after a run-time error in the\n"
    "second run (in the first with --once); 2 when the script cannot be read or the\n"
    "arguments are wrong; 3 when --help or --version could not be written to standard\n"
    "output.\n";

const tovl::runner_texts window_runner{"tovl", usage, help, help_options};

// A start-up failure: said on standard error and in a box titled "TOVL"; the exit status.
int fail_at_startup(const tovl::text& message, const char* more = "") {
    std::string said = tovl::to_utf8(message);
    tovl::say_on_stderr(window_runner, said, more);
    QString shown = QString::fromStdString(said + (*more ? "\n\n" : "") + more);
    shown[0] = shown[0].toUpper();
    tovl::show_startup_error(shown);
    return 2;
}

} // namespace

// Exit statuses: 0 when the window is closed, the script runs "fendp", the file chooser is
// cancelled or the answer to --ask is "Don't run"; 1 after a run-time error in the second run
// (in the first with --once); 2 when the script cannot be read or the arguments are wrong; 3
// when --help or --version could not be written.
int main(int argc, char** argv) {
    using namespace tovl;
    // Help and version need no display, so they come before Qt starts.
    if (std::optional<int> status = answer_request(window_runner, find_help_or_version(argc, argv)))
        return *status;
    QApplication app(argc, argv); // takes Qt's own options out of argv
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/tovl.png")));
    QGuiApplication::setDesktopFileName(QStringLiteral("tovl"));

    bool ask = false;
    const runner_flag flags[] = {{"--ask", &ask}};
    command_line args = read_command_line(argc, argv, flags);
    if (!args.error.empty()) return fail_at_startup(from_utf8(args.error), usage);
    set_memory_budget(args);
    std::string path;
    if (args.scripts.empty()) {
        std::optional<std::string> chosen = choose_script();
        if (!chosen) return 0;
        path = *chosen;
    } else {
        path = args.scripts[0];
    }
    // The bytes that --ask asks about are the ones that run: the file is read once.
    loaded_script script = load_script(path, args.encoding, ask);
    if (script.problem) return fail_at_startup(*script.problem);
    if (std::optional<text> warning = line_end_warning(path, script.content.chars())) {
        say_on_stderr(window_runner, to_utf8(*warning));
    }

    // The output the window holds in memory is a quarter of the run's budget at most, so that
    // a run that prints without end keeps the rest of its budget for its variables.
    main_window window(std::min(output_store::default_memory_bound, memory_budget::limit() / 4));
    window.refresh_output();
    window.show();
    if (ask && !may_run(window, path, script.bytes, script.content.chars())) return 0;
    script.bytes = std::string(); // only the decoded text runs
    linux_run_services services(window, script.encoding, {}, args.denied);
    interpreter runner(services.services(), commands::every_command());
    // Every 2048 lines the window may repaint and take its events; the clock is read there.
    runner.set_pause_point([&window] { return window.keep_alive(); }, 2048);
    run_outcome outcome =
        run_as_asked(runner, script.content.chars(), args, [](const run_error&) {});
    if (outcome.end == run_end::ended_by_fendp || outcome.end == run_end::stopped) return 0;
    if (outcome.end == run_end::failed) {
        window.show_fatal_error(outcome.error, script.content.chars());
        return 1;
    }
    window.show_finished();
    return QApplication::exec();
}
