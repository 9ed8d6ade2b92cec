// tovl: runs a TOVL script in its window.
#include "app/script_file.h"
#include "interp/interpreter.h"
#include "commands/commands.h"
#include "host/main_window.h"
#include "host/startup_dialogs.h"
#include "interp/error_report.h"
#include "interp/script_text.h"
#include "interp/utf8.h"
#include "platform/clock_random.h"
#include "platform/linux_files.h"
#include "platform/linux_system.h"

#include <QApplication>
#include <QIcon>

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

const char usage[] = "usage: tovl [--encoding=ENCODING] [QT-OPTION...] [SCRIPT]\n"
                     "       tovl --help | --version\n";

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
    "  --encoding=ENCODING  read the script and run in ENCODING, utf-8 or windows-1252,\n"
    "                       whatever the script holds\n"
    "  --help               show this help and exit\n"
    "  --version            show the version and exit\n"
    "  Qt's own options, such as -platform NAME or -style NAME, are taken as well.\n"
    "\n"
    "exit status: 0 when the window is closed, the script runs \"fendp\" or the file chooser\n"
    "is cancelled; 1 after a run-time error in the second run; 2 when the script cannot be\n"
    "read or the arguments are wrong.\n";

// What the command line asks for, once Qt has taken its own options out.
struct window_options {
    std::optional<tovl::text_encoding> encoding;
    std::vector<std::string> scripts;
    std::string error; // what is wrong with the arguments, when anything is
};

window_options parse_options(int argc, char** argv) {
    window_options opts;
    bool options_ended = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        std::optional<tovl::encoding_option> encoding;
        if (!options_ended) encoding = tovl::parse_encoding_option(arg);
        if (encoding && !encoding->encoding) {
            opts.error =
                std::string("unknown encoding in '") + arg + "': use utf-8 or windows-1252";
        } else if (encoding) {
            opts.encoding = encoding->encoding;
        } else if (!options_ended && std::strcmp(arg, "--") == 0) {
            options_ended = true;
        } else if (!options_ended && arg[0] == '-' && arg[1] != '\0') {
            opts.error = std::string("unknown option '") + arg + "'";
        } else {
            opts.scripts.emplace_back(arg);
        }
        if (!opts.error.empty()) return opts;
    }
    if (opts.scripts.size() > 1) opts.error = "one script at a time";
    return opts;
}

// A start-up failure: said on standard error and in a box titled "TOVL"; the exit status.
int fail_at_startup(const tovl::text& message, const char* more = "") {
    std::string said = tovl::to_utf8(message);
    std::fprintf(stderr, "tovl: %s\n%s", said.c_str(), more);
    QString shown = QString::fromStdString(said + (*more ? "\n\n" : "") + more);
    shown[0] = shown[0].toUpper();
    tovl::show_startup_error(shown);
    return 2;
}

} // namespace

// Exit statuses: 0 when the window is closed, the script runs "fendp" or the file chooser is
// cancelled; 1 after a run-time error in the second run; 2 when the script cannot be read or
// the arguments are wrong.
int main(int argc, char** argv) {
    // Help and version need no display, so they come before Qt starts.
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(usage, stdout);
            std::fputs(help, stdout);
            std::fputs(tovl::script_reading_help, stdout);
            std::fputs(help_options, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::puts("tovl " TOVL_VERSION);
            return 0;
        }
    }
    QApplication app(argc, argv); // takes Qt's own options out of argv
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/tovl.png")));
    QGuiApplication::setDesktopFileName(QStringLiteral("tovl"));
    using namespace tovl;

    window_options opts = parse_options(argc, argv);
    if (!opts.error.empty()) return fail_at_startup(from_utf8(opts.error), usage);
    std::string path;
    if (opts.scripts.empty()) {
        std::optional<std::string> chosen = choose_script();
        if (!chosen) return 0;
        path = *chosen;
    } else {
        path = opts.scripts[0];
    }
    loaded_script script = load_script(path, opts.encoding);
    if (script.error) return fail_at_startup(cannot_read_message(path, *script.error));
    if (mixes_line_ends(script.content)) {
        std::fprintf(stderr, "tovl: warning: %s: %s\n", path.c_str(),
                     to_utf8(text(line_feed_hint)).c_str());
    }

    main_window window;
    window.refresh_output();
    window.show();
    linux_system system(script.encoding);
    linux_files files(script.encoding);
    clock_random random;
    run_services services{window, system, files, random};
    interpreter runner(services, commands::every_command());
    // Every 2048 lines the window may repaint and take its events; the clock is read there.
    runner.set_pause_point([&window] { return window.keep_alive(); }, 2048);
    run_outcome outcome = runner.run_with_fallback(script.content, [](const run_error&) {});
    if (outcome.end == run_end::ended_by_fendp || outcome.end == run_end::stopped) return 0;
    if (outcome.end == run_end::failed) {
        window.show_fatal_report(fatal_report(outcome.error, script.content));
        return 1;
    }
    window.refresh_output();
    return QApplication::exec();
}
