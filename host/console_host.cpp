// The console host: standard output for the output, standard error and input for dialogs.
#include "host/console_host.h"

#include "interp/utf8.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace tovl {

namespace {

constexpr size_t flush_threshold = 1 << 16;

void write_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return; // a closed or full stream: the output is lost, the run goes on
        bytes.remove_prefix(static_cast<size_t>(n));
    }
}

// Text for a terminal line: CR LF and lone CRs become LF.
std::string terminal_text(text_view t) {
    std::string out;
    for (size_t i = 0; i < t.size(); ++i) {
        if (t[i] == u'\r') {
            out.push_back('\n');
            if (i + 1 < t.size() && t[i + 1] == u'\n') ++i;
        } else {
            append_utf8(out, t.substr(i, 1));
        }
    }
    return out;
}

// One line from standard input, its LF or CR LF removed; end of input gives the empty text.
text read_answer() {
    char* line = nullptr;
    size_t capacity = 0;
    ssize_t n = ::getline(&line, &capacity, stdin);
    std::string bytes = n > 0 ? std::string(line, static_cast<size_t>(n)) : std::string();
    std::free(line);
    if (!bytes.empty() && bytes.back() == '\n') bytes.pop_back();
    if (!bytes.empty() && bytes.back() == '\r') bytes.pop_back();
    return from_utf8(bytes);
}

} // namespace

console_host::console_host()
    : input_is_terminal_(::isatty(STDIN_FILENO) == 1),
      errors_go_to_terminal_(::isatty(STDERR_FILENO) == 1) {}

console_host::~console_host() {
    flush(true);
}

// A CR LF pair is written as one LF; any other CR or LF as it is. A CR at the end of a print is
// held back until the next print shows whether an LF follows it.
void console_host::append_output(text_view more) {
    if (more.empty()) return;
    if (held_cr_) {
        held_cr_ = false;
        if (more.front() == u'\n') {
            pending_.push_back('\n');
            more.remove_prefix(1);
        } else {
            pending_.push_back('\r');
        }
    }
    size_t start = 0;
    for (size_t i = 0; i < more.size(); ++i) {
        if (more[i] != u'\r') continue;
        if (i + 1 == more.size()) {
            append_utf8(pending_, more.substr(start, i - start));
            held_cr_ = true;
            start = more.size();
            break;
        }
        if (more[i + 1] != u'\n') continue;
        append_utf8(pending_, more.substr(start, i - start));
        pending_.push_back('\n');
        start = ++i + 1;
    }
    if (start < more.size()) append_utf8(pending_, more.substr(start));
    if (pending_.size() >= flush_threshold) flush();
}

void console_host::flush(bool final) {
    if (final && held_cr_) {
        pending_.push_back('\r');
        held_cr_ = false;
    }
    write_all(STDOUT_FILENO, pending_);
    pending_.clear();
}

void console_host::report(const text& message) {
    flush();
    write_all(STDERR_FILENO, terminal_text(message) + "\n");
}

// The caption becomes the terminal's title; control characters and bytes that are not UTF-8
// are dropped so that a caption can never end the title sequence early or send commands of its
// own to the terminal.
void console_host::set_caption(const text& caption) {
    if (!errors_go_to_terminal_) return;
    text clean;
    for (char16_t c : caption) {
        if (c >= 0x20 && !(c >= 0x7F && c <= 0x9F) && !is_escaped_byte(c)) clean.push_back(c);
    }
    flush();
    write_all(STDERR_FILENO, "\x1b]0;" + to_utf8(clean) + "\x07");
}

void console_host::show_message(const text& message) {
    report(message);
    if (!input_is_terminal_) return;
    write_all(STDERR_FILENO, "[press Enter]");
    read_answer();
}

// On a terminal the user's Enter ends the prompt's line; with the answer coming from a pipe or
// file nothing would, so the line is ended here and later messages start on their own lines.
text console_host::ask(const text& prompt) {
    flush();
    write_all(STDERR_FILENO, terminal_text(prompt) + " ");
    text answer = read_answer();
    if (!input_is_terminal_) write_all(STDERR_FILENO, "\n");
    return answer;
}

} // namespace tovl
