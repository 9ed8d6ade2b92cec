// The one run-time error type: a numbered error kind, its description and the script line.
#pragma once

#include "interp/text.h"

#include <exception>
#include <string>

namespace tovl {

// Every run-time error a script can meet. The numbers and descriptions are fixed in one table
// (runerror.cpp) and shown to users, so they must never be renumbered.
enum class errorkind {
    typemismatch,
    overflow,
    divisionbyzero,
    subscriptoutofrange,
    invalidargument,
    filenotfound,
    filealreadyopen,
    pathnotfound,
    badfilename,
    pathfileaccess,
    permissiondenied,
    diskfull,
    deviceio,
    outofmemory,
};

int errornumber(errorkind kind);
const char* errordescription(errorkind kind);

class runerror : public std::exception {
  public:
    static constexpr int noline = -1;

    explicit runerror(errorkind kind, int line = noline) : kind_(kind), line_(line) {}

    errorkind kind() const { return kind_; }
    int number() const { return errornumber(kind_); }
    const char* description() const { return errordescription(kind_); }
    // 0-based index of the script line where the error arose, or noline for start-up.
    int line() const { return line_; }
    // The runner tells an error which line it arose in; an error that already knows keeps it.
    void placeatline(int line) {
        if (line_ == noline) line_ = line;
    }
    const char* what() const noexcept override { return errordescription(kind_); }

  private:
    errorkind kind_;
    int line_;
};

// Raised by "fendp": not an error, but the request to end the process at once. Only the
// executables' entry points catch it.
struct programend {};

// Raised when a run has used up the step budget its host set; not an error of the script.
struct stepbudgetspent {};

} // namespace tovl
