// os_error: how platform/ reports a failed system call, and its one way to a run-time error.
#pragma once

#include "interp/run_error.h"

namespace tovl {

// What a failed system call was doing. With the errno it decides the run-time error kind:
// a missing name is "file not found" for a file that must exist, "path not found" for one to
// be written or a folder to work in.
enum class os_task {
    read_file,     // a file that must exist: to read, delete or copy from
    write_file,    // a file to write or create
    open_folder,   // a folder to work in, or the folder part of a file's name
    start_program, // finding a program or having the system execute it
    make_process,  // the pipe and processes a program's start needs
};

// The failure of a system call: the errno it left and what it was doing. Every function of
// platform/ that makes system calls returns one; it is no failure when `number` is 0.
struct os_error {
    int number = 0;
    os_task task = os_task::read_file;

    explicit operator bool() const { return number != 0; }
};

// The run-time error kind a failure means to a script.
error_kind run_error_kind(os_error error);

// The run-time error a failure becomes, without a cause; callers that know more add one.
run_error to_run_error(os_error error);

} // namespace tovl
