// The runner's outcomes, the fallback second run, and the state a run leaves for the next.
#include "support.h"

using namespace tovl;

TEST(runner, an_error_carries_the_line_it_arose_in) {
    script_run r;
    run_outcome o = r.interp.run(script_lines({u"fnumv3", u"' comment", u"fprnt9"}));
    ASSERT_EQ(o.end, run_end::failed);
    EXPECT_EQ(o.error.kind(), error_kind::subscript_out_of_range);
    EXPECT_EQ(o.error.line(), 2);
    // A jump before the first line fails on the jumping line, when the counter is checked.
    o = r.interp.run(script_lines({u"fnumv3", u"fgoto0"}));
    ASSERT_EQ(o.end, run_end::failed);
    EXPECT_EQ(o.error.line(), 1);
}

TEST(runner, fendp_and_the_step_budget_end_a_run_after_their_line) {
    script_run r;
    run_outcome o = r.run(script_lines({u"fnumv1", u"fnewl", u"fendp", u"fnewl"}));
    EXPECT_EQ(o.end, run_end::ended_by_fendp);
    EXPECT_EQ(r.host.output, u"\r\n");
    r.interp.set_step_budget(5);
    o = r.run(script_lines({u"fnumv1", u"fnewl", u"fgoto2"}));
    EXPECT_EQ(o.end, run_end::step_budget_spent);
    EXPECT_EQ(r.host.output, u"\r\n\r\n\r\n");
    EXPECT_EQ(r.fallbacks, 0);
}

TEST(startup, a_first_run_error_runs_the_script_again_keeping_the_output) {
    script_run r;
    r.host.answers = {u"x", u"7", u"y"};
    text script = script_lines({u"fnumv9", u"finpt12", u"fprnt1", u"fmath113-"});
    run_outcome o = r.run(script);
    EXPECT_EQ(r.fallbacks, 1);
    EXPECT_EQ(o.end, run_end::finished);
    EXPECT_EQ(r.host.output, u"x7");
    // An error in the second run is the outcome; there is no third run.
    o = r.run(script_lines({u"fnumv9", u"finpt12", u"fprnt1", u"fmath113-"}));
    EXPECT_EQ(r.fallbacks, 2);
    ASSERT_EQ(o.end, run_end::failed);
    EXPECT_EQ(o.error.kind(), error_kind::type_mismatch);
    EXPECT_EQ(o.error.line(), 3);
    EXPECT_EQ(r.host.output, u"x7y");
}

TEST(startup, the_skip_flag_outlives_a_run) {
    script_run r;
    // The failing comparison skips the rest, "endif" included, so the flag stays set.
    r.interp.run(script_lines({u"fnumv3", u"fsetv1a", u"fifvr12=", u"fnewl"}));
    r.interp.run(script_lines({u"fnewl", u"endif", u"fnewl"}));
    EXPECT_EQ(r.host.output, u"\r\n");
}

TEST(startup, the_script_path_is_the_argument_text_inside_its_quotes) {
    EXPECT_EQ(script_path_from_argument_text(u"\"a b.tovl\""), u"a b.tovl");
    EXPECT_EQ(script_path_from_argument_text(u"\"\""), u"");
    EXPECT_FALSE(script_path_from_argument_text(u"\""));
}
