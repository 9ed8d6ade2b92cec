// script_host: what the interpreter needs from the program that shows its output and dialogs.
#pragma once

#include "interp/text.h"
#include "interp/text_ref.h"

namespace tovl {

// Thrown by show_message or ask when the program is to end while the host waits for an
// answer (the window closed with a box open, or a script that keeps asking after its input has
// ended): the run ends there as stopped, and the command that asked changes nothing.
struct stop_requested {};

// The interpreter reaches its user only through these operations, so one core runs in the
// window, the console and the tests alike. Everything runs on one thread.
class script_host {
  public:
    virtual ~script_host() = default;

    // Appends to the output; afterwards the caret is at the start of the output.
    virtual void append_output(text_ref more) = 0;
    // Puts the caret after the last character of the output and brings it into view.
    virtual void move_caret_to_end() = 0;
    virtual void set_caption(const text& caption) = 0;
    // A message the user confirms. Titled "TOVL" where the host has titles.
    virtual void show_message(const text& message) = 0;
    // Asks for one line of text; Cancel or the end of input gives the empty text.
    virtual text ask(const text& prompt) = 0;
    // Something else is about to write where the host may write (a program the script starts,
    // a file command saving to a standard stream): what the host has held back is written out
    // first, so that the other writer's output follows it.
    virtual void before_outside_write() {}
};

} // namespace tovl
