// The console host: standard output for the output, standard error and input for dialogs.
#include "host/console_host.h"

#include "host/terminal_text.h"
#include "interp/utf8.h"
#include "interp/value.h"
#include "platform/descriptors.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tovl {

namespace {

constexpr size_t buffer_size = size_t(1) << 16;

// Bytes not yet written to a descriptor, in static storage so that the signal handler can
// write them: `length` grows only after the bytes are in place, and a flush runs with the stop
// signals blocked, so the handler never writes a byte twice.
struct held_bytes {
    char bytes[buffer_size] = {};
    volatile sig_atomic_t length = 0;

    std::string_view held() const { return {bytes, static_cast<size_t>(length)}; }
};
held_bytes held_output; // for standard output
held_bytes held_trace;  // trace lines for standard error

constexpr int stop_signals[] = {SIGINT, SIGTERM, SIGHUP};

// Ctrl-C, kill or a closed terminal: what was printed and traced is written out before the
// program ends the way the signal ends it. Only async-signal-safe calls.
void write_out_and_stop(int signal_number) {
    write_all(STDOUT_FILENO, held_output.held());
    write_all(STDERR_FILENO, held_trace.held());
    ::signal(signal_number, SIG_DFL);
    ::raise(signal_number);
}

// Adds bytes to a held buffer, writing it out with `flush` each time it fills. Bytes that do
// not fit go after what is held is written, so that a line is cut only when it is longer than
// the buffer: what a stop signal writes out then always starts a line.
template <typename flush_function>
void hold(held_bytes& to, std::string_view bytes, flush_function flush) {
    if (to.length > 0 && bytes.size() > buffer_size - static_cast<size_t>(to.length)) flush();
    while (!bytes.empty()) {
        size_t length = static_cast<size_t>(to.length);
        size_t piece = std::min(bytes.size(), buffer_size - length);
        std::memcpy(to.bytes + length, bytes.data(), piece);
        std::atomic_signal_fence(std::memory_order_release);
        to.length = static_cast<sig_atomic_t>(length + piece);
        bytes.remove_prefix(piece);
        if (static_cast<size_t>(to.length) == buffer_size) flush();
    }
}

sigset_t stop_signal_set() {
    sigset_t set;
    sigemptyset(&set);
    for (int s : stop_signals)
        sigaddset(&set, s);
    return set;
}

// One line from standard input, its LF or CR LF removed; end of input gives the empty text. A
// line longer than a text may be is refused before it fills the memory.
text read_answer() {
    std::string bytes;
    for (int c = std::getc(stdin); c != EOF && c != '\n'; c = std::getc(stdin)) {
        if (bytes.size() == max_text_length) raise_text_too_long(bytes.size() + 1);
        bytes.push_back(static_cast<char>(c));
    }
    if (!bytes.empty() && bytes.back() == '\r') bytes.pop_back();
    return from_utf8(bytes);
}

// True when both descriptors write to one regular file or pipe (as with 2>&1).
bool same_file_or_pipe(int a, int b) {
    struct stat first {};
    struct stat second {};
    if (::fstat(a, &first) != 0 || ::fstat(b, &second) != 0) return false;
    bool kind = S_ISREG(first.st_mode) || S_ISFIFO(first.st_mode);
    return kind && first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

} // namespace

console_host::console_host()
    : input_is_terminal_(::isatty(STDIN_FILENO) == 1),
      output_is_terminal_(::isatty(STDOUT_FILENO) == 1),
      errors_go_to_terminal_(::isatty(STDERR_FILENO) == 1),
      errors_go_with_output_(same_file_or_pipe(STDOUT_FILENO, STDERR_FILENO)) {
    // A standard stream the caller closed is held by /dev/null, so that no file the script
    // opens takes its number and receives output or messages. Output to a closed standard
    // output fails as a write to it would.
    for (int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (::fcntl(fd, F_GETFD) >= 0 || errno != EBADF) continue;
        int null = ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        if (null >= 0 && null != fd) {
            ::dup2(null, fd);
            ::close(null);
        }
        if (fd == STDOUT_FILENO) output_closed_ = true;
    }
    struct sigaction action {};
    action.sa_handler = write_out_and_stop;
    sigemptyset(&action.sa_mask);
    for (int s : stop_signals) {
        struct sigaction old {};
        // A signal the caller ignores (nohup) stays ignored.
        if (::sigaction(s, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
        ::sigaction(s, &action, nullptr);
    }
}

console_host::~console_host() {
    flush(true);
    for (int s : stop_signals) {
        struct sigaction old {};
        if (::sigaction(s, nullptr, &old) == 0 && old.sa_handler == write_out_and_stop) {
            ::signal(s, SIG_DFL);
        }
    }
}

void console_host::put(std::string_view bytes) {
    hold(held_output, bytes, [this] { flush(); });
}

// A CR LF pair is written as one LF; any other CR or LF as it is. A CR at the end of a print is
// held back until the next print shows whether an LF follows it.
void console_host::append_output(text_view more) {
    if (more.empty()) return;
    scratch_.clear();
    if (held_cr_) {
        held_cr_ = false;
        if (more.front() == u'\n') {
            scratch_.push_back('\n');
            more.remove_prefix(1);
        } else {
            scratch_.push_back('\r');
        }
    }
    size_t start = 0;
    for (size_t i = 0; i < more.size(); ++i) {
        if (more[i] != u'\r') continue;
        if (i + 1 == more.size()) {
            append_utf8(scratch_, more.substr(start, i - start));
            held_cr_ = true;
            start = more.size();
            break;
        }
        if (more[i + 1] != u'\n') continue;
        append_utf8(scratch_, more.substr(start, i - start));
        scratch_.push_back('\n');
        start = ++i + 1;
    }
    if (start < more.size()) append_utf8(scratch_, more.substr(start));
    put(scratch_);
    // On a terminal every finished line shows at once.
    if (output_is_terminal_ && scratch_.find('\n') != std::string::npos) flush();
}

void console_host::flush(bool final) {
    flush_trace();
    if (final && held_cr_) {
        held_cr_ = false;
        put("\r");
    }
    sigset_t stops = stop_signal_set();
    sigset_t old;
    ::pthread_sigmask(SIG_BLOCK, &stops, &old);
    if (output_error_ == 0 && held_output.length > 0) {
        output_error_ =
            output_closed_ ? EBADF : write_all(STDOUT_FILENO, held_output.held()).number;
    }
    held_output.length = 0;
    ::pthread_sigmask(SIG_SETMASK, &old, nullptr);
}

void console_host::report(const text& message) {
    flush();
    write_errors(to_utf8(terminal_text(message, errors_go_to_terminal_)) + "\n");
}

void console_host::trace(text_view line) {
    if (errors_go_to_terminal_) {
        report(text(line));
        return;
    }
    std::string& to = scratch_;
    to.clear();
    size_t start = 0;
    // Texts shown in the line may hold line ends: each CR LF or lone CR becomes an LF.
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] != u'\r') continue;
        append_utf8(to, line.substr(start, i - start));
        to.push_back('\n');
        if (i + 1 < line.size() && line[i + 1] == u'\n') ++i;
        start = i + 1;
    }
    append_utf8(to, line.substr(start));
    to.push_back('\n');
    if (errors_go_with_output_) {
        put(to);
    } else {
        hold(held_trace, to, [this] { flush_trace(); });
    }
}

void console_host::flush_trace() {
    if (held_trace.length == 0) return;
    sigset_t stops = stop_signal_set();
    sigset_t old;
    ::pthread_sigmask(SIG_BLOCK, &stops, &old);
    write_all(STDERR_FILENO, held_trace.held());
    held_trace.length = 0;
    ::pthread_sigmask(SIG_SETMASK, &old, nullptr);
}

// Standard error: there is nowhere to report a failure to write to it.
void console_host::write_errors(std::string_view bytes) {
    flush_trace();
    write_all(STDERR_FILENO, bytes);
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
    write_errors("\x1b]0;" + to_utf8(clean) + "\x07");
}

void console_host::show_message(const text& message) {
    report(message);
    if (!input_is_terminal_) return;
    write_errors("[press Enter]");
    read_answer();
}

// On a terminal the user's Enter ends the prompt's line; with the answer coming from a pipe or
// file nothing would, so the line is ended here and later messages start on their own lines.
text console_host::ask(const text& prompt) {
    flush();
    write_errors(to_utf8(terminal_text(prompt, errors_go_to_terminal_)) + " ");
    text answer = read_answer();
    if (!input_is_terminal_) write_errors("\n");
    return answer;
}

} // namespace tovl
