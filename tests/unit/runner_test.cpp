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
