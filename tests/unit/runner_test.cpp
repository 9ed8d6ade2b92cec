// The runner's outcomes, the fallback second run, and the state a run leaves for the next.
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

TEST(startup, a_first_run_error_runs_the_script_again_keeping_the_output) {
    script_run r;
    r.host.answers = {u"x", u"7"};
    text script = u"fnumv9\r\nfinpt12\r\nfprnt1\r\nfmath113-\r\n";
    run_outcome o = r.run(script);
    EXPECT_EQ(r.fallbacks, 1);
    EXPECT_EQ(o.end, run_end::finished);
    EXPECT_EQ(r.host.output, u"x7");
}
