// tovl: runs a TOVL script in its window.
#include "app/script_file.h"
#include "app/startup.h"
#include "commands/commands.h"
#include "host/main_window.h"
#include "interp/error_report.h"
#include "interp/utf8.h"
#include "platform/clock_random.h"
#include "platform/linux_files.h"
#include "platform/linux_system.h"

#include <QApplication>

#include <cstdio>

// Exit statuses: 0 when the window is closed or the script runs "fendp", 1 after a run-time
// error in the second run.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    using namespace tovl;

    // Leading "--encoding=NAME" options choose the script's encoding.
    std::optional<text_encoding> forced;
    int first = 1;
    for (; first < argc; ++first) {
        std::optional<encoding_option> option = parse_encoding_option(argv[first]);
        if (!option) break;
        if (!option->encoding) {
            std::fprintf(stderr, "tovl: unknown encoding in '%s': use utf-8 or windows-1252\n",
                         argv[first]);
            return 2;
        }
        forced = option->encoding;
    }
    // The argument text as the desktop hands it over: each argument in double quotes, joined
    // by one blank. Names are bytes, and decode and encode back to the same bytes. A script
    // that cannot be read leaves the window empty.
    text argument_text;
    for (int i = first; i < argc; ++i) {
        if (i > first) argument_text += u' ';
        argument_text += u'"' + from_utf8(argv[i]) + u'"';
    }
    loaded_script script;
    if (std::optional<text> path = script_path_from_argument_text(argument_text)) {
        script = load_script(to_utf8(*path), forced);
    }

    main_window window;
    window.refresh_output();
    window.show();
    linux_system system(script.encoding);
    linux_files files(script.encoding);
    clock_random random;
    run_services services{window, system, files, random};
    interpreter runner(services, commands::handlers());
    // Every 2048 lines the window may repaint and take its events; the clock is read there.
    runner.set_pause_point([&window] { return window.keep_alive(); }, 2048);
    run_outcome outcome = run_with_fallback(runner, script.content, [](const run_error&) {});
    if (outcome.end == run_end::ended_by_fendp || outcome.end == run_end::stopped) return 0;
    if (outcome.end == run_end::failed) {
        window.show_fatal_report(fatal_report(outcome.error, script.content));
        return 1;
    }
    window.refresh_output();
    return QApplication::exec();
}
