// tovl: runs a TOVL script in its window.
#include "app/startup.h"
#include "commands/commands.h"
#include "host/main_window.h"
#include "interp/code_page.h"
#include "interp/error_report.h"
#include "platform/clock_random.h"
#include "platform/linux_files.h"
#include "platform/linux_system.h"

#include <QApplication>

// Exit statuses: 0 when the window is closed or the script runs "fendp", 1 after a run-time
// error in the second run.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    using namespace tovl;

    // The argument text as the desktop hands it over: each argument in double quotes, joined
    // by one blank. A script that cannot be read leaves the window empty.
    text argument_text;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) argument_text += u' ';
        argument_text += u'"' + decode_code_page(argv[i]) + u'"';
    }
    text script;
    if (std::optional<text> path = script_path_from_argument_text(argument_text)) {
        script = read_text_file(*path).content;
    }

    main_window window;
    window.refresh_output();
    window.show();
    linux_system system;
    linux_files files;
    clock_random random;
    run_services services{window, system, files, random};
    interpreter runner(services, commands::handlers());
    run_outcome outcome = run_with_fallback(runner, script, [](const run_error&) {});
    if (outcome.end == run_end::ended_by_fendp) return 0;
    if (outcome.end == run_end::failed) {
        window.show_fatal_report(fatal_report(outcome.error, script));
        return 1;
    }
    window.refresh_output();
    return QApplication::exec();
}
