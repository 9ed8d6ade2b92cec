// The one run-time error type: a numbered error kind, its description and the script line.
#pragma once

#include "interp/text.h"

#include <cstdint>
#include <exception>
#include <utility>

namespace tovl {

// Every run-time error a script can meet. The numbers and descriptions are fixed in one table
// (run_error.cpp) and shown to users, so they must never be renumbered.
enum class error_kind : uint8_t {
    type_mismatch,
    overflow,
    division_by_zero,
    subscript_out_of_range,
    invalid_argument,
    file_not_found,
    file_already_open,
    path_not_found,
    bad_file_name,
    path_file_access,
    permission_denied,
    disk_full,
    device_io,
    out_of_memory,
};

int error_number(error_kind kind);
const char* error_description(error_kind kind);

// Raised by handlers and the layers below them; the runner is the one place that catches it
// and turns it into the outcome of the run.
class run_error : public std::exception {
  public:
    static constexpr int no_line = -1;

    explicit run_error(error_kind kind, int line = no_line) : kind_(kind), line_(line) {}

    error_kind kind() const { return kind_; }
    int number() const { return error_number(kind_); }
    const char* description() const { return error_description(kind_); }
    // 0-based index of the script line where the error arose, or no_line outside a run.
    int line() const { return line_; }
    // The runner tells an error which line it arose in; an error that already knows keeps it.
    void place_at_line(int line) {
        if (line_ == no_line) line_ = line;
    }
    const char* what() const noexcept override { return error_description(kind_); }

    // Why the error arose, in the script's terms ("variable 12 is outside the table 0..9"), for
    // the reports to show after the number and description; empty when nothing more is known.
    const text& cause() const { return cause_; }
    run_error&& because(text cause) && {
        cause_ = std::move(cause);
        return std::move(*this);
    }
    void set_cause(text cause) { cause_ = std::move(cause); }

  private:
    error_kind kind_;
    int line_;
    text cause_;
};

} // namespace tovl
