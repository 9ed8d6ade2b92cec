// held_streams: the bytes held back for standard output and standard error, and the signals that
// write them out before they end the program.
#pragma once

#include "platform/os_error.h"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstddef>
#include <cstring>
#include <string_view>

namespace tovl {

// Bytes not yet written to one standard stream, in static storage so that a signal handler can
// write them. `length_` grows only after the bytes are in place, and `written_` counts those of
// them already written, so that neither the program nor a handler writes a byte twice.
class held_stream {
  public:
    static constexpr size_t capacity = size_t(1) << 16;

    constexpr explicit held_stream(int fd) : fd_(fd) {}
    ~held_stream() = default;
    held_stream(const held_stream&) = delete;
    held_stream& operator=(const held_stream&) = delete;

    bool empty() const { return length_ == 0; }

    // Adds bytes, calling `write_out` (which writes or drops what is held) each time the buffer
    // fills. Bytes that do not fit go after what is held is written, so that a line is cut only
    // when it is longer than the buffer: what a signal writes out then always starts a line.
    template <typename write_function> void add(std::string_view bytes, write_function write_out);

    // Writes what is held, whole, and empties the buffer; the failure of the write that failed,
    // after which the rest is dropped. A signal that ends the program during the write makes
    // it return at once and ends the program when it does (see catch_ending_signals).
    os_error write_out();
    // Empties the buffer without writing it.
    void drop() { length_ = 0; }
    // Writes what is held as far as the descriptor takes it at once, for the last writes before
    // a signal ends the program. Async-signal-safe.
    void write_without_waiting();

  private:
    int fd_;
    char bytes_[capacity] = {};
    volatile sig_atomic_t length_ = 0;
    volatile sig_atomic_t written_ = 0;
};

// The bytes held for standard output and for standard error.
held_stream& held_output();
held_stream& held_errors();

// From now on, however the program ends, standard error gets `bytes` last (a text in static
// storage, such as a literal; nullptr for none): hold_errors_closing adds them to what it holds
// at the program's own end, and a signal that ends the program writes them after what it holds.
void close_errors_with(const char* bytes);
// Adds the closing bytes, once, to what standard error holds, for the program to write out.
void hold_errors_closing();

// From now on every signal whose default action ends the program, and that the program was
// started with at that default, first writes out what both streams hold and the closing bytes
// of standard error, as much as they take without waiting, and then ends the program the way
// the signal would have: a reader that does not read, or a terminal stopped with Ctrl-S,
// cannot keep a signal from ending it. Signals that a fault of the program raises (SIGSEGV,
// SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGTRAP, SIGSYS) are left alone: after one, what is held
// cannot be trusted.
void catch_ending_signals();
// Gives the signals caught back their default action.
void release_ending_signals();

template <typename write_function>
void held_stream::add(std::string_view bytes, write_function write_out) {
    if (length_ > 0 && bytes.size() > capacity - static_cast<size_t>(length_)) write_out();
    while (!bytes.empty()) {
        auto length = static_cast<size_t>(length_);
        size_t piece = std::min(bytes.size(), capacity - length);
        std::memcpy(bytes_ + length, bytes.data(), piece);
        std::atomic_signal_fence(std::memory_order_release);
        length_ = static_cast<sig_atomic_t>(length + piece);
        bytes.remove_prefix(piece);
        if (static_cast<size_t>(length_) == capacity) write_out();
    }
}

} // namespace tovl
