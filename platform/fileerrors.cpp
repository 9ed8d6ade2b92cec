// errno to run-time error kind.
#include "platform/fileerrors.h"

#include <cerrno>

namespace tovl {

errorkind fileerrorkind(int err, bool reading) {
    switch (err) {
    case ENOENT: return reading ? errorkind::filenotfound : errorkind::pathnotfound;
    case ENOTDIR: return errorkind::pathnotfound;
    case ENAMETOOLONG:
    case EILSEQ:
    case EINVAL: return errorkind::badfilename;
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY: return errorkind::permissiondenied;
    case EISDIR:
    case ELOOP:
    case EBUSY:
    case EEXIST: return errorkind::pathfileaccess;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return errorkind::diskfull;
    case EIO:
    case ENXIO:
    case ENODEV: return errorkind::deviceio;
    default: return errorkind::pathfileaccess;
    }
}

void throwfileerror(int err, bool reading) {
    throw runerror(fileerrorkind(err, reading));
}

} // namespace tovl
