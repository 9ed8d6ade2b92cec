// The runner's outcomes: a run that spends its step budget.
#include "support.h"

using namespace tovl;

TEST(runner, the_step_budget_ends_a_run_without_a_second_one) {
    script_run r;
    r.interp.set_step_budget(5);
    run_outcome o = r.run(u"fnumv1\r\nfnewl\r\nfgoto2\r\n");
    EXPECT_EQ(o.end, run_end::step_budget_spent);
    EXPECT_EQ(r.host.output, u"\r\n\r\n");
    EXPECT_EQ(r.fallbacks, 0);
}
