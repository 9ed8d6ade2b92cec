// Reading scripts for --check and writing their diagnostics on standard error.
#include "app/script_check_report.h"

#include <cstdio>

namespace tovl {

int check_script_files(const std::vector<const char*>& paths, std::optional<text_encoding>, bool) {
    std::fprintf(stderr, "tovl-console: --check is not built yet (%zu scripts)\n", paths.size());
    return 2;
}

} // namespace tovl
