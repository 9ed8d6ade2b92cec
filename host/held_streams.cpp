// The held bytes of the standard streams, and the handler of the signals that end the program.
#include "host/held_streams.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace tovl {

namespace {

// Every signal whose default action ends the program, but those a fault of the program raises.
// The real-time signals, whose numbers are known only at run time, are added to them.
constexpr int ending_signals[] = {SIGHUP,    SIGINT,  SIGQUIT, SIGTERM, SIGPIPE,
                                  SIGALRM,   SIGUSR1, SIGUSR2, SIGIO,   SIGPROF,
                                  SIGVTALRM, SIGXCPU, SIGXFSZ, SIGPWR,  SIGSTKFLT};

// What the handler and the program's writes know of each other; only plain loads and stores.
volatile sig_atomic_t writing_to = -1;        // the descriptor a write of the program is in, or -1
volatile sig_atomic_t ending_signal = 0;      // a signal that came during that write
volatile sig_atomic_t made_non_blocking = -1; // the descriptor the handler made non-blocking
volatile sig_atomic_t flags_before = 0;       // and its file status flags before that
sigset_t caught_signals;                      // the signals the handler was installed for
std::atomic<const char*> errors_closing{nullptr}; // the bytes standard error gets last, if any
static_assert(std::atomic<const char*>::is_always_lock_free, "read by the signal handler");

constinit held_stream output_stream(STDOUT_FILENO);
constinit held_stream error_stream(STDERR_FILENO);

[[noreturn]] void end_by_signal(int signal_number);

// Writes as much of `bytes` as `fd` takes at once and gives how much that was, for the last
// writes before a signal ends the program. The descriptor is made non-blocking for them and
// then given its flags back: a terminal or pipe shared with other programs is left as it was.
// Async-signal-safe.
size_t write_without_waiting(int fd, const char* bytes, size_t length) {
    int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    size_t written = 0;
    while (written < length) {
        ssize_t n = ::write(fd, bytes + written, length - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        written += static_cast<size_t>(n);
    }
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags);
    return written;
}

void write_without_waiting(int fd, const char* text) {
    size_t length = 0;
    while (text[length] != '\0')
        ++length;
    (void)write_without_waiting(fd, text, length);
}

// Writes out both streams and ends the program. But while a write of the program's is under
// way, only the program learns, when it returns, how many of its bytes were written: the write
// is made to return at once instead, and held_stream::write_out ends the program after it.
void on_ending_signal(int signal_number) {
    if (writing_to < 0) end_by_signal(signal_number);
    int saved_errno = errno;
    if (ending_signal == 0) {
        ending_signal = signal_number;
        int fd = writing_to;
        int flags = ::fcntl(fd, F_GETFL);
        if (flags >= 0) {
            flags_before = flags;
            made_non_blocking = fd;
            ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
        }
    }
    errno = saved_errno;
}

// Writes out both streams without waiting for their readers, with every caught signal
// blocked, and ends the program by `signal_number` with its default action, so that the exit
// status shows the signal (and a signal that dumps core still does). Async-signal-safe calls
// only.
void end_by_signal(int signal_number) {
    ::sigprocmask(SIG_BLOCK, &caught_signals, nullptr);
    output_stream.write_without_waiting();
    error_stream.write_without_waiting();
    if (const char* closing = errors_closing.load()) write_without_waiting(STDERR_FILENO, closing);
    if (made_non_blocking >= 0) ::fcntl(made_non_blocking, F_SETFL, flags_before);
    struct sigaction default_action {};
    default_action.sa_handler = SIG_DFL;
    ::sigaction(signal_number, &default_action, nullptr);
    ::raise(signal_number);
    sigset_t raised;
    sigemptyset(&raised);
    sigaddset(&raised, signal_number);
    ::sigprocmask(SIG_UNBLOCK, &raised, nullptr);
    ::_exit(128 + signal_number);
}

template <typename each_function> void for_each_ending_signal(each_function each) {
    for (int s : ending_signals)
        each(s);
    for (int s = SIGRTMIN; s <= SIGRTMAX; ++s)
        each(s);
}

} // namespace

held_stream& held_output() {
    return output_stream;
}

held_stream& held_errors() {
    return error_stream;
}

void held_stream::write_without_waiting() {
    written_ = written_ + static_cast<sig_atomic_t>(tovl::write_without_waiting(
                              fd_, bytes_ + written_, static_cast<size_t>(length_ - written_)));
}

// `written_` is counted before `writing_to` is cleared, so that a handler never sees a write
// finished whose bytes are not yet counted; and `length_` is cleared before `written_`, so that
// it never sees the held bytes as unwritten again.
os_error held_stream::write_out() {
    os_error failure;
    while (written_ < length_) {
        writing_to = fd_;
        ssize_t n = ::write(fd_, bytes_ + written_, static_cast<size_t>(length_ - written_));
        int error = errno;
        if (n > 0) written_ = written_ + static_cast<sig_atomic_t>(n);
        writing_to = -1;
        if (ending_signal != 0) end_by_signal(ending_signal);
        if (n < 0 && error != EINTR) {
            failure = {error, os_task::write_file};
            break;
        }
    }
    length_ = 0;
    written_ = 0;
    return failure;
}

// The handler is installed without SA_RESTART, so that a write it interrupts returns; all the
// caught signals are blocked while it runs.
void catch_ending_signals() {
    sigemptyset(&caught_signals);
    for_each_ending_signal([](int s) {
        struct sigaction old {};
        if (::sigaction(s, nullptr, &old) == 0 && old.sa_handler == SIG_DFL)
            sigaddset(&caught_signals, s);
    });
    struct sigaction action {};
    action.sa_handler = on_ending_signal;
    action.sa_mask = caught_signals;
    for_each_ending_signal([&action](int s) {
        if (sigismember(&caught_signals, s) == 1) ::sigaction(s, &action, nullptr);
    });
}

void close_errors_with(const char* bytes) {
    errors_closing.store(bytes);
}

// With the caught signals blocked, so that no signal writes the closing bytes as well.
void hold_errors_closing() {
    sigset_t before;
    ::sigprocmask(SIG_BLOCK, &caught_signals, &before);
    if (const char* closing = errors_closing.exchange(nullptr))
        error_stream.add(closing, [] { (void)error_stream.write_out(); });
    ::sigprocmask(SIG_SETMASK, &before, nullptr);
}

void release_ending_signals() {
    struct sigaction default_action {};
    default_action.sa_handler = SIG_DFL;
    for_each_ending_signal([&default_action](int s) {
        if (sigismember(&caught_signals, s) == 1) ::sigaction(s, &default_action, nullptr);
    });
    sigemptyset(&caught_signals);
}

} // namespace tovl
