// power_consent: tovl --ask, the user's leave before a script with powers runs.
#pragma once

#include "interp/text.h"
#include "interp/text_ref.h"

#include <string>
#include <string_view>

namespace tovl {

class main_window;

// Whether the script at `path`, read as `bytes` and decoded as `script`, may run. One without
// powers, or one that the user's trust store trusts, runs without a question; for any other
// the window lists its powers (and the address it was downloaded from) and asks, and the trust
// given is stored. When it cannot be stored, a box says why and the script runs this once.
// False after "Don't run", or when the window was closed while asking.
bool may_run(main_window& window, const std::string& path, std::string_view bytes, text_ref script);

} // namespace tovl
