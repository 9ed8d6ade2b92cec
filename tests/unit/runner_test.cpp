// The runner: keyword lookup, empty scripts and the step budget.
#include "support.h"

#include "interp/error_report.h"
#include "interp/utf8.h"
#include "interp/value.h"

#include <string>
#include <tuple>

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

// A loop's test and its jump back run from one dispatch when untraced; the traced run takes them
// one line at a time. Every step budget and pause interval must see the same lines either way:
// the same output, the same line at each pause, the same last line.
TEST(runner, a_loop_counts_its_lines_alike_traced_or_not) {
    const text_view script = u"fnumv3\r\nfsetv10\r\nfsetv21\r\nfsetv34\r\nfmath121+\r\n"
                             u"fprnt1\r\nfifvr31>\r\nfgoto5\r\nendif\r\nfprnt2\r\n";
    auto run = [&](bool traced, uint64_t budget, uint32_t interval) {
        script_run r;
        if (traced) r.interp.set_trace([](text_view) {});
        r.interp.set_step_budget(budget);
        std::u16string pauses;
        r.interp.set_pause_point(
            [&] {
                pauses += static_cast<char16_t>(u'0' + r.interp.state().line_counter);
                return false;
            },
            interval);
        run_end end = r.run(script).end;
        return std::make_tuple(end, r.host.output, pauses, r.interp.state().line_counter);
    };
    for (uint64_t budget = 1; budget <= 30; ++budget) {
        for (uint32_t interval : {1U, 2U, 3U}) {
            SCOPED_TRACE(testing::Message() << "budget " << budget << ", pause every " << interval);
            EXPECT_EQ(run(false, budget, interval), run(true, budget, interval));
        }
    }
    EXPECT_EQ(std::get<1>(run(false, UINT64_MAX, 1000)), u"12341");
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

// The runners keep an ASCII or Latin-1 script a byte a character: every line runs as it does
// from the script's wide form, up to the error and the words that explain it.
TEST(runner, a_script_runs_alike_kept_narrow_or_wide) {
    const text_view scripts[] = {
        u"fnumv12\r\nfsetv01caf\u00E9 \u00FF\r\nfprnt01\r\nfsetv02 12 \r\nfmath020202+\r\n"
        u"fprnt02\r\nfifvr0102=\r\nfgoto11\r\nendif\r\nfnewl\r\nfappd010201\r\nfprnt01\r\n"
        u"fmath010101+\r\n",
        u"fnumv3\nfsetv1x\nfgoto 4.5\nfprnt1\nfprnt1\nfprnt9\n",
        u"fnumv 9x\n",
        u"fnumv3\nfgoto1e9\n",
    };
    for (text_view script : scripts) {
        narrow_text narrow(script.begin(), script.end());
        script_run wide_run;
        script_run narrow_run;
        run_outcome wide = wide_run.interp.run(script);
        run_outcome compact = narrow_run.interp.run(narrow);
        std::string shown = to_utf8(script);
        EXPECT_EQ(narrow_run.host.output, wide_run.host.output) << shown;
        ASSERT_EQ(compact.end, wide.end) << shown;
        EXPECT_EQ(compact.error.kind(), wide.error.kind()) << shown;
        EXPECT_EQ(compact.error.line(), wide.error.line()) << shown;
        EXPECT_EQ(compact.error.cause(), wide.error.cause()) << shown;
        EXPECT_EQ(fatal_report(compact.error, narrow), fatal_report(wide.error, script)) << shown;
    }
}
