// A script's powers: what it can do to the machine (run programs, delete and write files, the
// CD tray, shutdown), found by reading it, for tovl-console --powers and the question before a
// run.
#pragma once

#include "interp/keyword.h"
#include "interp/text.h"

#include <optional>
#include <vector>

namespace tovl {

// One line that can use a power, and its operand (the command line, the pattern, the file
// name, the seconds) where the script's text fixes it.
struct power_use {
    script_power power;
    int line; // 1-based
    std::optional<text> operand;
};

// Every line that can use a power, in line order, whether or not a run can reach it, so that
// none is ever missing. An operand is known when the field is a number (sshdn), or when the
// variable it names is set by one "fsetv" above the line and written by no other line.
std::vector<power_use> find_powers(text_view script);

// What a use does, in plain words: "run programs: "backup-tool --all"", its operand quoted, or
// "delete files: computed at run time" when the script's text does not fix it.
text power_use_words(const power_use& use);

} // namespace tovl
