// Which line each jump pointed at before the edits since the script was opened.
#include "lsp/jump_memory.h"

namespace tovl::lsp {

void jump_memory::reset(const std::vector<text_view>& /*lines*/) {}

void jump_memory::follow_edit(const std::vector<text_view>& /*before*/, int /*start_line*/,
                              int /*start_column*/, int /*end_line*/, int /*end_column*/,
                              text_view /*inserted*/, const std::vector<text_view>& /*after*/) {}

std::vector<jump_memory::moved_jump>
jump_memory::moved(const std::vector<text_view>& /*lines*/) const {
    return {};
}

} // namespace tovl::lsp
