// The command set: the run loop made with each keyword's handler of the same name.
#include "commands/commands.h"

#include "interp/run_loop.h"

namespace tovl::commands {

namespace {

// One static function per keyword, calling its handler; the loop calls these by name, so a
// keyword without a handler does not build.
struct handlers {
#define TOVL_KEYWORD(name, ...)                                                                    \
    [[gnu::always_inline]] static void name(run_state& state, const decoded_line& decoded) {       \
        commands::name(state, decoded);                                                            \
    }
#include "interp/keywords.def"
#undef TOVL_KEYWORD
};

} // namespace

const command_set& every_command() {
    static constexpr command_set set{&run_lines<handlers, false>, &run_lines<handlers, true>};
    return set;
}

} // namespace tovl::commands
