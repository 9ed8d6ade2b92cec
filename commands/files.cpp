// File commands: "ssave", "sload", "sdele" and "scopy".
#include "interp/interpreter.h"

namespace tovl {

// Until the numbered-file layer is in place, the file commands do nothing.
void interpreter::cmdssave(textview) {}
void interpreter::cmdsload(textview) {}
void interpreter::cmdsdele(textview) {}
void interpreter::cmdscopy(textview) {}

} // namespace tovl
