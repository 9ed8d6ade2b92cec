// The runner: keyword lookup, empty scripts and the step budget.
#include "support.h"

#include "interp/utf8.h"
#include "interp/value.h"

#include <string>

using namespace tovl;

// Only the exact five letters of a keyword name it: every other head of five characters that
// differs in one character (case, a neighbour letter, a non-ASCII one) names none.
TEST(runner, a_line_names_a_keyword_by_its_exact_first_five_characters) {
    for (size_t i = 0; i < keyword_count; ++i) {
        text name(keyword_rows[i].name);
        EXPECT_EQ(find_keyword(name + u"123"), static_cast<keyword>(i));
        for (size_t at = 0; at < 5; ++at) {
            for (char16_t other : {u'a', u'z', u'F', u'0', u' ', u'\u00E9', u'\0'}) {
                text changed = name;
                changed[at] = other;
                std::optional<keyword> found = find_keyword(changed);
                if (found) {
                    EXPECT_EQ(keyword_name(*found), changed);
                }
            }
        }
        EXPECT_FALSE(find_keyword(name.substr(0, 4)));
    }
}

TEST(runner, an_empty_script_or_one_without_commands_just_ends) {
    for (const char16_t* script : {u"", u"\r\n", u"' nothing here"}) {
        script_run r;
        EXPECT_EQ(r.run(script).end, run_end::finished);
        EXPECT_EQ(r.host.output, u"");
    }
}

TEST(runner, the_step_budget_ends_a_run_without_a_second_one) {
    script_run r;
    r.interp.set_step_budget(5);
    run_outcome o = r.run(u"fnumv1\r\nfnewl\r\nfgoto2\r\n");
    EXPECT_EQ(o.end, run_end::step_budget_spent);
    EXPECT_EQ(r.host.output, u"\r\n\r\n");
    EXPECT_EQ(r.fallbacks, 0);
}

TEST(runner, texts_past_the_memory_budget_fail_in_the_line_that_makes_them) {
    script_run r;
    memory_budget::set_limit(memory_budget::in_use() + (size_t(1) << 20));
    // A text doubled in place grows past 1 MiB in one of the joins, in both runs.
    text script = u"fnumv2\r\nfsetv1ab\r\nfsetv2ab\r\n";
    for (int i = 0; i < 20; ++i)
        script += u"fappd111\r\n";
    run_outcome o = r.run(script);
    EXPECT_EQ(o.end, run_end::failed);
    EXPECT_EQ(o.error.kind(), error_kind::out_of_memory);
    EXPECT_GE(o.error.line(), 3 + 15);
    EXPECT_EQ(r.fallbacks, 1);
    EXPECT_NE(o.error.cause().find(u"past its memory budget of 1 MiB"), text::npos);
    // Outside a run nothing is refused: reports are made after the error.
    text after(size_t(1) << 20, u'x');
    EXPECT_GT(memory_budget::in_use(), memory_budget::limit());
    memory_budget::set_limit(SIZE_MAX);
}
