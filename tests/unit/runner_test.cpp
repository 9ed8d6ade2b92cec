// The runner: a run that spends its step budget, and the direct forms against the handlers.
#include "support.h"

#include "interp/utf8.h"
#include "interp/value.h"

#include <array>
#include <random>
#include <string>

using namespace tovl;

// Only the exact five letters of a keyword name it: every other head of five characters that
// differs in one character (case, a neighbour letter, a non-ASCII one) names none.
TEST(runner, a_line_names_a_keyword_by_its_exact_first_five_characters) {
    for (size_t i = 0; i < keyword_count; ++i) {
        text name(keyword_names[i]);
        EXPECT_EQ(find_keyword(name + u"123"), static_cast<keyword>(i));
        for (size_t at = 0; at < 5; ++at) {
            for (char16_t other : {u'a', u'z', u'F', u'0', u' ', u'\u00E9', u'\0'}) {
                text changed = name;
                changed[at] = other;
                std::optional<keyword> found = find_keyword(changed);
                if (found) {
                    EXPECT_EQ(keyword_names[static_cast<size_t>(*found)], changed);
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

namespace {

// A random script over the commands that have direct forms, and those around them: layouts
// that change, fields that are no numbers or name no slot, every operator, jumps anywhere,
// texts that are numbers, nearly numbers, or numbers beyond the 32-bit float range.
std::string random_script(std::mt19937& rng) {
    auto pick = [&rng](auto&& choices) {
        return choices[std::uniform_int_distribution<size_t>(0, std::size(choices) - 1)(rng)];
    };
    auto below = [&rng](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    const char* const highest[] = {"3", "9", "12", "25", "99", "150"};
    const char* const texts[] = {"0",        "1",        "-1",  "2.5",  "1e3",
                                 "abc",      "",         " 7 ", "1e39", "3e38",
                                 "99999999", "16777217", "0.1", "12x",  "1E+07"};
    const char* const operators[] = {"+", "-", "*", "/", "=", ">", "?", ""};
    int lines = 8 + below(16);
    std::string n = pick(highest);
    std::string script = "fnumv" + n + "\r\n";
    for (int i = 1; i < lines; ++i) {
        int width = static_cast<int>(n.size());
        auto field = [&] {
            if (below(20) == 0) return std::string(pick(std::array{"x", " 1", "-1", "1e9"}));
            std::string digits = std::to_string(below(std::stoi(n) + 3));
            return std::string(static_cast<size_t>(std::max(0, width - int(digits.size()))), '0') +
                   digits;
        };
        switch (below(12)) {
        case 0: script += "fsetv" + field() + pick(texts); break;
        case 1: script += "fmath" + field() + field() + field() + pick(operators); break;
        case 2: {
            std::string to = field();
            script += "fmath" + field() + field() + to + "+\r\nfprnt" + to;
            break;
        }
        case 3: script += "fifvr" + field() + field() + pick(operators); break;
        case 4: script += "fifvr" + field() + field() + ">"; break;
        case 5: script += "endif"; break;
        case 6: script += "fgoto" + std::to_string(below(lines + 3)); break;
        case 7: script += "fprnt" + field(); break;
        case 8: script += "fnewl"; break;
        case 9: script += "fcopy" + field() + field(); break;
        case 10: script += "fappd" + field() + field() + field(); break;
        default: script += below(4) == 0 ? "fnumv" + (n = pick(highest)) : "' a comment"; break;
        }
        script += "\r\n";
    }
    return script;
}

} // namespace

// Lines that run from their decoding must do exactly what their handlers do from the line's
// text: the same output, the same variables, the same end, the same error at the same line,
// in both runs.
TEST(runner, direct_forms_give_what_the_handlers_give_on_random_scripts) {
    std::mt19937 rng(20261207);
    for (int i = 0; i < 3000; ++i) {
        text script = from_utf8(random_script(rng));
        script_run direct;
        script_run plain;
        plain.interp.set_direct_forms(false);
        for (script_run* r : {&direct, &plain})
            r->interp.set_step_budget(3000);
        run_outcome d = direct.run(script);
        run_outcome p = plain.run(script);
        std::string shown = to_utf8(script);
        ASSERT_EQ(direct.host.output, plain.host.output) << shown;
        ASSERT_EQ(d.end, p.end) << shown;
        ASSERT_EQ(direct.fallbacks, plain.fallbacks) << shown;
        const variable_table& left = direct.interp.variables();
        const variable_table& right = plain.interp.variables();
        ASSERT_EQ(left.size(), right.size()) << shown;
        for (int32_t slot = 0; slot < static_cast<int32_t>(left.size()); ++slot) {
            ASSERT_EQ(left.slot_value(slot).kind(), right.slot_value(slot).kind()) << shown;
            ASSERT_EQ(value_text(left.slot_value(slot)), value_text(right.slot_value(slot)))
                << shown;
        }
        if (d.end == run_end::failed) {
            ASSERT_EQ(d.error.kind(), p.error.kind()) << shown;
            ASSERT_EQ(d.error.line(), p.error.line()) << shown;
            ASSERT_EQ(d.error.cause(), p.error.cause()) << shown;
        }
    }
}
