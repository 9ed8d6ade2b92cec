// console_host: the script host in a terminal, for tovl-console.
#pragma once

#include "interp/script_host.h"

#include <string>

namespace tovl {

// The output goes to standard output as UTF-8, with every CR LF written as one LF. Messages
// and prompts go to standard error, answers come from standard input.
class console_host final : public script_host {
  public:
    console_host();
    ~console_host() override;
    // The destructor flushes: a copy would write the held-back output twice.
    console_host(const console_host&) = delete;
    console_host& operator=(const console_host&) = delete;

    void append_output(text_view more) override;
    void move_caret_to_end() override {}
    void set_caption(const text& caption) override;
    void show_message(const text& message) override;
    text ask(const text& prompt) override;

    // Writes what is buffered for standard output, a held-back CR included when `final`.
    void flush(bool final = false);
    // A line of its own on standard error, after the output so far.
    void report(const text& message);

  private:
    std::string pending_;  // UTF-8 bytes not yet written to standard output
    bool held_cr_ = false; // a CR that ended the last print
    bool input_is_terminal_;
    bool errors_go_to_terminal_;
};

} // namespace tovl
