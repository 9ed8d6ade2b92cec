// Console host: standard output for the output area, standard error and input for dialogs.
#include "host/consolehost.h"

#include "interp/errorreport.h"
#include "interp/scripttext.h"
#include "interp/utf8.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace tovl {

namespace {

constexpr size_t flushthreshold = 1 << 16;

void writeall(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return; // a closed or full stream: the output is lost, the run goes on
        bytes.remove_prefix(static_cast<size_t>(n));
    }
}

// Text for a terminal line: CR LF and lone CRs become LF.
std::string terminaltext(textview t) {
    std::string out;
    for (size_t i = 0; i < t.size(); ++i) {
        if (t[i] == u'\r') {
            out.push_back('\n');
            if (i + 1 < t.size() && t[i + 1] == u'\n') ++i;
        } else {
            appendutf8(out, t.substr(i, 1));
        }
    }
    return out;
}

// One line from standard input, its LF or CR LF removed; end of input gives the empty text.
text readanswer() {
    char* line = nullptr;
    size_t capacity = 0;
    ssize_t n = ::getline(&line, &capacity, stdin);
    std::string bytes = n > 0 ? std::string(line, static_cast<size_t>(n)) : std::string();
    std::free(line);
    if (!bytes.empty() && bytes.back() == '\n') bytes.pop_back();
    if (!bytes.empty() && bytes.back() == '\r') bytes.pop_back();
    return fromutf8(bytes);
}

} // namespace

consolehost::consolehost()
    : stdinterminal(::isatty(STDIN_FILENO) == 1), stderrterminal(::isatty(STDERR_FILENO) == 1) {}

consolehost::~consolehost() {
    flush(true);
}

void consolehost::setintext(const text& newscript) {
    script = newscript;
    if (hasbarelinefeed(script)) report(u"tovl-console: warning: " + text(linefeedhint));
}

// The console cannot take back what it has written: a new output text that does not extend
// the old one is written from its start.
void consolehost::setouttext(const text& newoutput) {
    if (newoutput.compare(0, output.size(), output) == 0) {
        appendouttext(textview(newoutput).substr(output.size()));
        return;
    }
    output.clear();
    appendouttext(newoutput);
}

void consolehost::appendouttext(textview more) {
    output += more;
    writeout(more);
}

// A CR LF pair is written as one LF; any other CR or LF as it is. A CR at the end of a print is
// held back until the next print shows whether an LF follows it.
void consolehost::writeout(textview more) {
    if (more.empty()) return;
    if (heldcr) {
        heldcr = false;
        if (more.front() == u'\n') {
            pending.push_back('\n');
            more.remove_prefix(1);
        } else {
            pending.push_back('\r');
        }
    }
    size_t start = 0;
    for (size_t i = 0; i < more.size(); ++i) {
        if (more[i] != u'\r') continue;
        if (i + 1 == more.size()) {
            appendutf8(pending, more.substr(start, i - start));
            heldcr = true;
            start = more.size();
            break;
        }
        if (more[i + 1] != u'\n') continue;
        appendutf8(pending, more.substr(start, i - start));
        pending.push_back('\n');
        start = ++i + 1;
    }
    if (start < more.size()) appendutf8(pending, more.substr(start));
    if (pending.size() >= flushthreshold) flush();
}

void consolehost::flush(bool final) {
    if (final && heldcr) {
        pending.push_back('\r');
        heldcr = false;
    }
    writeall(STDOUT_FILENO, pending);
    pending.clear();
}

void consolehost::report(const text& message) {
    flush();
    writeall(STDERR_FILENO, terminaltext(message) + "\n");
}

// The caption becomes the terminal's title; control characters are dropped so that a caption
// can never end the title sequence early or send commands of its own to the terminal.
void consolehost::setcaption(const text& caption) {
    if (!stderrterminal) return;
    text clean;
    for (char16_t c : caption) {
        if (c >= 0x20 && !(c >= 0x7F && c <= 0x9F)) clean.push_back(c);
    }
    flush();
    writeall(STDERR_FILENO, "\x1b]0;" + toutf8(clean) + "\x07");
}

void consolehost::showmessage(const text& message) {
    report(message);
    if (!stdinterminal) return;
    writeall(STDERR_FILENO, "[press Enter]");
    readanswer();
}

// On a terminal the user's Enter ends the prompt's line; with the answer coming from a pipe or
// file nothing would, so the line is ended here and later messages start on their own lines.
text consolehost::askinput(const text& prompt) {
    flush();
    writeall(STDERR_FILENO, terminaltext(prompt) + " ");
    text answer = readanswer();
    if (!stdinterminal) writeall(STDERR_FILENO, "\n");
    return answer;
}

// The designed size of the window: the console has no window of its own.
twipsize consolehost::outersize() {
    return {6135.0f + 120.0f, 3975.0f + 400.0f};
}

} // namespace tovl
