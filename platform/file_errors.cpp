// errno to run-time error kind.
#include "platform/file_errors.h"

#include <cerrno>

namespace tovl {

error_kind file_error_kind(int err, bool reading) {
    switch (err) {
    case ENOENT: return reading ? error_kind::file_not_found : error_kind::path_not_found;
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

void throw_file_error(int err, bool reading) {
    throw run_error(file_error_kind(err, reading));
}

} // namespace tovl
