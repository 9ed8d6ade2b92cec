// The console host: standard output for the output, standard error and input for dialogs.
#include "host/console_host.h"

#include "host/held_streams.h"
#include "host/terminal_text.h"
#include "interp/memory_budget.h"
#include "interp/utf8.h"
#include "interp/value.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tovl {

namespace {

// One line from standard input, its LF or CR LF removed; nothing when the input has ended. A
// line longer than a text may be is refused before it fills the memory, once the rest of it
// has been read and dropped, so that the next question gets the next line.
std::optional<text> read_answer() {
    int c = std::getc(stdin);
    if (c == EOF) return std::nullopt;
    size_t most = std::min(max_text_length, memory_budget::room_for_decoding());
    std::string bytes;
    for (; c != EOF && c != '\n'; c = std::getc(stdin)) {
        if (bytes.size() == most) {
            while (c != EOF && c != '\n')
                c = std::getc(stdin);
            if (most == max_text_length) raise_text_too_long(bytes.size() + 1);
            memory_budget::raise_over_budget(memory_budget::held_while_decoding *
                                             (bytes.size() + 1));
        }
        bytes.push_back(static_cast<char>(c));
    }
    if (!bytes.empty() && bytes.back() == '\r') bytes.pop_back();
    return from_utf8(bytes);
}

// The title stack of xterm and the terminals that follow it: push, and pop, both the window
// title and the icon title.
constexpr char save_title[] = "\x1b[22;0t";
constexpr char restore_title[] = "\x1b[23;0t";

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
    catch_ending_signals();
}

console_host::~console_host() {
    flush(true);
    if (title_saved_) {
        hold_errors_closing();
        flush_trace();
    }
    release_ending_signals();
}

void console_host::put(std::string_view bytes) {
    held_output().add(bytes, [this] { flush(); });
}

// A CR LF pair is written as one LF; any other CR or LF as it is. A CR at the end of a print is
// held back until the next print shows whether an LF follows it.
void console_host::append_output(text_ref output) {
    if (output.empty() || output_error_ != 0) return;
    if (output.is_narrow() && !held_cr_) {
        // The usual prints, written as they are: "fnewl", and ASCII without a CR.
        std::string_view bytes = as_bytes(output.narrow());
        if (bytes == "\r\n") return put_output("\n");
        if (bytes.find('\r') == std::string_view::npos && is_ascii(bytes)) return put_output(bytes);
    }
    scratch_.clear();
    output.visit([this](auto more) {
        constexpr typename decltype(more)::value_type carriage_return = '\r';
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
            i = more.find(carriage_return, i);
            if (i == decltype(more)::npos) break;
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
    });
    put_output(scratch_);
}

void console_host::put_output(std::string_view bytes) {
    put(bytes);
    // On a terminal every finished line shows at once.
    if (output_is_terminal_ && bytes.find('\n') != std::string_view::npos) flush();
}

void console_host::flush(bool final) {
    flush_trace();
    if (final && held_cr_) {
        held_cr_ = false;
        put("\r");
    }
    held_stream& held = held_output();
    if (held.empty()) return;
    if (output_error_ != 0 || output_closed_) {
        held.drop();
        if (output_error_ == 0) output_error_ = EBADF;
        return;
    }
    output_error_ = held.write_out().number;
}

void console_host::report(const text& message) {
    flush();
    write_errors(terminal_text(message, error_controls()) + "\n");
}

void console_host::trace(text_view line) {
    if (errors_go_to_terminal_) {
        report(text(line));
        return;
    }
    // Texts shown in the line may hold line ends: each CR LF or lone CR becomes an LF.
    scratch_.clear();
    append_terminal_text(scratch_, line, control_characters::kept);
    scratch_.push_back('\n');
    if (errors_go_with_output_) {
        put(scratch_);
    } else {
        held_errors().add(scratch_, [this] { flush_trace(); });
    }
}

// Standard error: there is nowhere to report a failure to write to it.
void console_host::flush_trace() {
    if (!held_errors().empty()) (void)held_errors().write_out();
}

// Messages go through the same buffer as the trace lines, after them, and are written at once.
void console_host::write_errors(std::string_view bytes) {
    held_errors().add(bytes, [this] { flush_trace(); });
    flush_trace();
}

// The caption becomes the terminal's title, without the characters that could end the title
// sequence early or send commands of their own to the terminal. The terminal's own title is
// saved on its title stack before the first change and given back when the program ends, however
// it ends.
void console_host::set_caption(const text& caption) {
    if (!errors_go_to_terminal_) return;
    flush();
    std::string said;
    if (!title_saved_) {
        title_saved_ = true;
        close_errors_with(restore_title);
        said = save_title;
    }
    said += "\x1b]0;";
    append_terminal_text(said, caption, control_characters::dropped);
    said += "\x07";
    write_errors(said);
}

void console_host::show_message(const text& message) {
    report(message);
    if (!input_is_terminal_) return;
    write_errors("[press Enter]");
    (void)read_answer();
}

// On a terminal the user's Enter ends the prompt's line; with the answer coming from a pipe or
// file nothing would, so the line is ended here and later messages start on their own lines.
text console_host::ask(const text& prompt) {
    if (empty_answers_ == empty_answers_after_input_end) {
        out_of_answers_ = true;
        throw stop_requested();
    }
    flush();
    write_errors(terminal_text(prompt, error_controls()) + " ");
    std::optional<text> answer = read_answer();
    if (!input_is_terminal_) write_errors("\n");
    if (answer) return std::move(*answer);
    ++empty_answers_;
    return text();
}

} // namespace tovl
