// Deleting every file that matches a name with wildcards.
#pragma once

#include "interp/text.h"

namespace tovl {

// `*` (any run of characters) and `?` (any one character) may stand in the last part of the
// name only. Only regular files are deleted, never folders. No match is the file-not-found
// error; a match that cannot be deleted is permission denied, and the files deleted before it
// stay deleted.
void deletematching(textview name);

} // namespace tovl
