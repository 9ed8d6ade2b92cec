// Code actions: the lines the checker suggests, written; and the jumps renumbered to land where
// they did before lines were inserted or removed.
#pragma once

#include "lsp/open_script.h"
#include "lsp/protocol_types.h"

#include "check/diagnostic.h"

#include <vector>

namespace tovl::lsp {

// The command that renumbers every moved jump of a script; its one argument is the uri.
constexpr const char* renumber_jumps_command = "tovl.renumberJumps";

// The actions for `range`, given the checker's findings for the script.
json code_actions(const open_script& script, text_range range,
                  const std::vector<diagnostic>& findings);

// The workspace edit that renumbers every moved jump of the script, or null when none moved.
json renumber_jumps_edit(const open_script& script);

} // namespace tovl::lsp
