// The question before a run, on the terminal: the powers, the origin, and the four answers.
#include "app/terminal_question.h"

#include "check/script_powers.h"
#include "host/terminal_text.h"
#include "interp/utf8.h"
#include "platform/descriptors.h"
#include "platform/trust_store.h"

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace tovl {

namespace {

// One answer line from the terminal, without its line end; nothing at its end.
std::optional<std::string> read_answer(int terminal) {
    std::string line;
    char c = 0;
    while (::read(terminal, &c, 1) == 1) {
        if (c == '\n') return line;
        line += c;
    }
    return line.empty() ? std::nullopt : std::optional<std::string>(line);
}

} // namespace

bool allowed_after_asking(const std::string& path, const loaded_script& script) {
    std::vector<power_use> powers = find_powers(widened(script.content.chars()));
    trust_store store = trust_store::for_user();
    if (powers.empty() || store.trusts(script.bytes, path)) return true;
    int terminal = ::open("/dev/tty", O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (terminal < 0) {
        std::fprintf(stderr,
                     "tovl-console: %s can %s and more, and there is no terminal to ask "
                     "whether it may: it does not run (run it without --ask to allow it)\n",
                     path.c_str(), to_utf8(text(power_words(powers.front().power))).c_str());
        return false;
    }
    text said = u"tovl-console: " + from_utf8(path) + u" can do this to your computer:\n";
    for (const power_use& use : powers)
        said += u"  " + power_use_words(use) + u"\n";
    std::optional<std::string> origin = download_origin(path);
    if (origin) said += u"It was downloaded from " + from_utf8(*origin) + u".\n";
    said += u"Run it? [o]nce, [a]lways this version, trust this [f]older, [n]o (default): ";
    (void)write_all(terminal, terminal_text(said, control_characters::shown));
    std::string answer = read_answer(terminal).value_or("n");
    bool lasting = answer == "a" || answer == "f";
    if (lasting && origin) {
        (void)write_all(terminal, terminal_text(u"It came from the web: trust it from now on? "
                                                u"[y]es, [n]o (default): ",
                                                control_characters::shown));
        if (read_answer(terminal).value_or("n") != "y") answer = "n";
    }
    ::close(terminal);
    std::optional<std::string> problem;
    if (answer == "a") problem = store.trust_version(script.bytes, path);
    if (answer == "f") problem = store.trust_folder(path);
    if (problem) std::fprintf(stderr, "tovl-console: %s; it runs this once\n", problem->c_str());
    return answer == "o" || answer == "a" || answer == "f";
}

} // namespace tovl
