// The script checker: a script's likely mistakes, found before it runs (tovl-console --check).
#pragma once

#include "check/diagnostic.h"
#include "interp/run_loop.h"
#include "interp/script_text.h"
#include "interp/text.h"

#include <string_view>
#include <vector>

namespace tovl {

// Every finding in the script, sorted by line, then column. Errors are lines that fail at run
// time or do something else than they seem to (a command that does nothing, a field read from
// the wrong columns); warnings are lines that work but are easily misread. With `trial`, the
// script's part that needs no input is also run with those commands (check/script_trial.h);
// its run-time error is left out where a check already reports an error on that line.
std::vector<diagnostic> check_script(text_view script, const command_set* trial = nullptr);

// Adds the findings of the trial (check/script_trial.h) to those of the checks that read the
// script: its run-time error is left out where they report an error on that line.
void add_trial_findings(std::vector<diagnostic>& found, std::vector<diagnostic> tried);

// Every finding in a script read as `bytes` and decoded to `script`, those that only its bytes
// show (check/byte_check.h) included, in the same order. `encoding_forced` when the encoding
// was given rather than chosen from the bytes.
std::vector<diagnostic> check_script(std::string_view bytes, const decoded_script& script,
                                     bool encoding_forced, const command_set* trial = nullptr);

} // namespace tovl
