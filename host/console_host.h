// console_host: the script host in a terminal, for tovl-console.
#pragma once

#include "host/terminal_text.h"
#include "interp/script_host.h"

#include <optional>
#include <string>

namespace tovl {

// The output goes to standard output as UTF-8, with every CR LF written as one LF: through a
// 64 KiB buffer, or line by line when standard output is a terminal. Messages and prompts go
// to standard error, with control characters made visible on a terminal; answers come from
// standard input. Only one console host exists at a time: while it does, a signal that ends
// the program writes out the buffered output first (catch_ending_signals).
class console_host final : public script_host {
  public:
    console_host();
    ~console_host() override;
    // The destructor flushes: a copy would write the held-back output twice.
    console_host(const console_host&) = delete;
    console_host& operator=(const console_host&) = delete;

    void append_output(text_ref output) override;
    void move_caret_to_end() override {}
    void set_caption(const text& caption) override;
    void show_message(const text& message) override;
    // An answer longer than a text may be, or than the memory budget has room for, is the
    // out-of-memory error, after the rest of its line has been read and dropped. Once the input
    // has ended, questions get the empty text until `empty_answers_after_input_end` have; the
    // next one is not asked and ends the run (stop_requested).
    text ask(const text& prompt) override;
    void before_outside_write() override { flush(); }

    static constexpr int empty_answers_after_input_end = 100;
    // True when the run ended at a question asked after all those empty answers.
    bool ran_out_of_answers() const { return out_of_answers_; }

    // Writes what is buffered for standard output, a held-back CR included when `final`.
    void flush(bool final = false);
    // A line of its own on standard error, after the output so far.
    void report(const text& message);
    // A trace line on standard error. Trace lines are gathered and written in large pieces:
    // before anything else is written to standard error, by flush(), and when a signal ends
    // the program. On a terminal each is written at once; where standard error is the same
    // file or pipe as standard output, they go into the output's buffer, so that the two keep
    // their order.
    void trace(text_view line);
    // The errno of the first failed write to standard output, or 0. After one, the output is
    // dropped unconverted, at no cost.
    int output_error() const { return output_error_; }

  private:
    void put(std::string_view bytes);
    // Adds a print's bytes; on a terminal a finished line is written out at once.
    void put_output(std::string_view bytes);
    // Writes to standard error, after the trace lines gathered before it.
    void write_errors(std::string_view bytes);
    void flush_trace();
    control_characters error_controls() const {
        return errors_go_to_terminal_ ? control_characters::shown : control_characters::kept;
    }

    std::string scratch_;  // the UTF-8 of the print or trace line being added
    bool held_cr_ = false; // a CR that ended the last print
    bool input_is_terminal_;
    bool output_is_terminal_;
    bool errors_go_to_terminal_;
    bool errors_go_with_output_; // standard error is standard output's file or pipe
    bool output_closed_ = false; // standard output was closed when the program started
    bool title_saved_ = false;   // the terminal's title is on its title stack, to be restored
    int output_error_ = 0;
    int empty_answers_ = 0;       // questions answered with the empty text as the input had ended
    bool out_of_answers_ = false; // a question came after all of them
};

} // namespace tovl
