// The dispatch table: each keyword of the list paired with its handler of the same name.
#include "commands/commands.h"

namespace tovl::commands {

const command_table& handlers() {
    static constexpr command_table table = {
#define TOVL_KEYWORD(name) &(name),
#include "interp/keywords.def"
#undef TOVL_KEYWORD
    };
    return table;
}

} // namespace tovl::commands
