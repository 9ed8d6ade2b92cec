// script_host: what the interpreter needs from the program that shows its output and dialogs.
#pragma once

#include "interp/text.h"

#include <optional>

namespace tovl {

// The interpreter reaches its user only through these operations, so one core runs in the
// window, the console and the tests alike. Everything runs on one thread.
class script_host {
  public:
    virtual ~script_host() = default;

    // Appends to the output; afterwards the caret is at the start of the output.
    virtual void append_output(text_view more) = 0;
    // Puts the caret after the last character of the output and brings it into view.
    virtual void move_caret_to_end() = 0;
    virtual void set_caption(const text& caption) = 0;
    // A message the user confirms. Titled "TOVL" where the host has titles.
    virtual void show_message(const text& message) = 0;
    // Asks for one line of text; Cancel or the end of input gives the empty text. Nothing when
    // no answer can come any more: the run then ends at the question.
    virtual std::optional<text> ask(const text& prompt) = 0;
    // A program the script starts is about to run, and may write where the host writes: what
    // the host has held back is written out first, so that the program's output follows it.
    virtual void before_program_start() {}
};

} // namespace tovl
