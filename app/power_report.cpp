// Reading a script for --powers and listing what it finds.
#include "app/power_report.h"

#include "app/script_file.h"
#include "check/script_powers.h"
#include "host/terminal_text.h"
#include "platform/descriptors.h"

#include <unistd.h>

namespace tovl {

namespace {

// Operands are the script's own texts: on a terminal their control characters are shown.
control_characters shown_on(int fd) {
    return ::isatty(fd) == 1 ? control_characters::shown : control_characters::kept;
}

} // namespace

int report_powers(const std::string& path, std::optional<text_encoding> forced) {
    loaded_script script = load_script(path, forced);
    if (script.problem) {
        (void)write_all(STDERR_FILENO, terminal_text(u"tovl-console: " + *script.problem + u"\n",
                                                     shown_on(STDERR_FILENO)));
        return 2;
    }
    text out;
    for (const power_use& use : find_powers(widened(script.content.chars()))) {
        out += power_use_words(use) + u"\n";
    }
    if (out.empty()) out = u"no powers\n";
    return write_all(STDOUT_FILENO, terminal_text(out, shown_on(STDOUT_FILENO))) ? 3 : 0;
}

} // namespace tovl
