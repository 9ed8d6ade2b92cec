// errno and task to run-time error kind.
#include "platform/os_error.h"

#include <cerrno>

namespace tovl {

namespace {

error_kind file_error_kind(int err, bool must_exist) {
    switch (err) {
    case ENOENT: return must_exist ? error_kind::file_not_found : error_kind::path_not_found;
    case ENOTDIR: return error_kind::path_not_found;
    case ENAMETOOLONG:
    case EILSEQ:
    case EINVAL: return error_kind::bad_file_name;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY: return error_kind::permission_denied;
    case EISDIR:
    case ELOOP:
    case EBUSY:
    case EEXIST: return error_kind::path_file_access;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return error_kind::disk_full;
    case EIO:
    case ENXIO:
    case ENODEV: return error_kind::device_io;
    default: return error_kind::path_file_access;
    }
}

// A program that is missing, or that the system cannot execute, is "file not found"; one it
// may not execute, "permission denied"; a command line past the system's limits, "invalid
// argument".
error_kind program_error_kind(int err) {
    if (err == E2BIG) return error_kind::invalid_argument;
    return err == EACCES || err == EPERM ? error_kind::permission_denied
                                         : error_kind::file_not_found;
}

} // namespace

error_kind run_error_kind(os_error error) {
    switch (error.task) {
    case os_task::read_file: return file_error_kind(error.number, true);
    case os_task::write_file:
    case os_task::open_folder: return file_error_kind(error.number, false);
    case os_task::start_program: return program_error_kind(error.number);
    case os_task::make_process: return error_kind::device_io;
    }
    return error_kind::device_io;
}

run_error to_run_error(os_error error) {
    return run_error(run_error_kind(error));
}

} // namespace tovl
