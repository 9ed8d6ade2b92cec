// The script checker: lines that look like commands, blocks, jumps, fnumv sizes, and each
// command's operands under the layouts that can reach it.
#include "check/script_check.h"

#include "check/byte_check.h"
#include "check/check_words.h"
#include "check/layout_flow.h"
#include "check/operand_check.h"
#include "check/script_trial.h"
#include "interp/numbers.h"
#include "interp/operand_layout.h"
#include "interp/script_text.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

namespace tovl {

namespace {

// The line counter is a 16-bit number: running line 32768 leaves it no room to step on.
constexpr size_t counter_lines = 32768;

bool is_letter(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

text lowered(text_view s) {
    text out(s);
    for (char16_t& c : out) {
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    }
    return out;
}

// Edits between two short words: substitutions, insertions, deletions and swaps of neighbours.
size_t edit_distance(text_view a, text_view b) {
    std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
    for (size_t i = 0; i <= a.size(); ++i)
        d[i][0] = i;
    for (size_t j = 0; j <= b.size(); ++j)
        d[0][j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        for (size_t j = 1; j <= b.size(); ++j) {
            size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return d[a.size()][b.size()];
}

// "3 blanks", "a tab", "blanks and tabs".
text indent_words(text_view indent) {
    size_t tabs = static_cast<size_t>(std::count(indent.begin(), indent.end(), u'\t'));
    if (tabs != 0 && tabs != indent.size()) return u"blanks and tabs";
    text_view what = tabs ? u"tab" : u"blank";
    if (indent.size() == 1) return u"a " + text(what);
    return number_text(static_cast<long long>(indent.size())) + u" " + text(what) + u"s";
}

// The keywords nearest to a word that starts a line, and how many of its letters they stand for.
struct near_keywords {
    size_t distance = 3;
    size_t length = 0;
    std::vector<text_view> names;
};

// Compares each keyword with the first 4 to 7 letters of the word, in any letter case, so that
// a letter too many or too few still finds it.
near_keywords nearest_keywords(text_view word) {
    near_keywords best;
    for (const keyword_row& row : keyword_rows) {
        text_view name = row.name;
        size_t distance = 3, length = 0;
        for (size_t n = 4; n <= std::min<size_t>(7, word.size()); ++n) {
            size_t d = edit_distance(lowered(word.substr(0, n)), name);
            if (d < distance || (d == distance && n == 5)) distance = d, length = n;
        }
        if (distance < best.distance) best = {distance, length, {}};
        if (distance == best.distance && distance < 3) best.names.push_back(name);
    }
    return best;
}

// A line that is no command but looks meant as one: a keyword after blanks, in other letter
// case, or a word within two edits of one (one, for a word of four letters). A word followed by
// another word is prose, and a comment or an empty line is left alone.
std::optional<line_finding> near_miss_finding(text_view line) {
    size_t indent = line.find_first_not_of(u" \t");
    if (indent == text_view::npos || line[indent] == u'\'') return std::nullopt;
    text_view body = line.substr(indent);
    text problem = indent ? u"this line starts with " + indent_words(line.substr(0, indent)) : u"";
    if (!find_keyword(body)) {
        size_t letters = 0;
        while (letters < body.size() && is_letter(body[letters]))
            ++letters;
        size_t next = body.find_first_not_of(u' ', letters);
        bool prose = next != letters && next != text_view::npos && is_letter(body[next]);
        if (letters < 4 || prose) return std::nullopt;
        near_keywords near = nearest_keywords(body.substr(0, letters));
        if (near.names.empty() || (letters == 4 && near.distance > 1)) return std::nullopt;
        problem += (indent ? u" and " : u"") + quoted(body.substr(0, near.length)) +
                   u" is not a keyword" + (near.distance == 0 ? u" (letter case counts)" : u"");
        if (near.names.size() > 1) {
            text advice = u"; did you mean " + text(near.names[0]);
            for (size_t i = 1; i < near.names.size(); ++i)
                advice += (i + 1 == near.names.size() ? u" or " : u", ") + text(near.names[i]);
            return line_finding{1, check_level::error,
                                problem + u", so the line does nothing (no error at run time)" +
                                    advice + u"?"};
        }
        text fixed = text(near.names[0]) + text(body.substr(near.length));
        return line_finding{1, check_level::error,
                            problem + u", so the line does nothing (no error at run time)" +
                                (indent ? u": a keyword must start in column 1" : u"") +
                                (near.distance > 0
                                     ? u"; did you mean " + text(near.names[0]) + u"? write "
                                     : text(u"; write ")) +
                                fixed,
                            fixed};
    }
    return line_finding{1, check_level::error,
                        problem +
                            u", so the line does nothing (no error at run time): a keyword must "
                            u"start in column 1; write " +
                            text(body),
                        text(body)};
}

class script_checker {
  public:
    explicit script_checker(text_view script) : lines_(split_lines(script)) {
        for (text_view line : lines_)
            keywords_.push_back(find_keyword(line));
    }

    std::vector<diagnostic> run();

  private:
    void add(size_t index, int column, check_level level, text message,
             std::optional<text> suggested_line = {}) {
        found_.push_back({static_cast<int>(index) + 1, column, level, std::move(message),
                          std::move(suggested_line)});
    }
    void check_blocks();
    void check_number_argument(size_t index, keyword k);
    void check_jump(size_t index, keyword k);
    void check_fields(const reaching_layouts& reached);
    void note_variables(size_t index, keyword k, const std::vector<layout_in_force>& layouts);
    void check_trailing_blanks();

    // A variable as a field names it under one width: (width, number).
    using field_variable = std::pair<int, long long>;
    struct set_text {
        size_t line;
        field_variable variable;
        text_view text;
    };

    std::vector<text_view> lines_;
    line_keywords keywords_;
    std::vector<diagnostic> found_;
    std::vector<set_text> set_texts_;                         // what "fsetv" lines set
    std::vector<std::pair<field_variable, size_t>> compared_; // what "fifvr" lines compare
};

// Blocks do not nest: one skip flag, set by a failed test (fifvr), cleared by the first line
// that ends a block (endif). Several tests with nothing but comments between them share one
// block ("and").
void script_checker::check_blocks() {
    std::optional<size_t> open;
    bool commands_since = false;
    auto has = [this](size_t i, trait::keyword_trait t) {
        return keywords_[i] && row_of(*keywords_[i]).has(t);
    };
    auto next_endif = [&](size_t from) {
        for (size_t i = from; i < lines_.size(); ++i) {
            if (has(i, trait::ends_block)) return number_text(static_cast<long long>(i) + 1);
        }
        return text();
    };
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (!keywords_[i]) continue;
        if (has(i, trait::tests)) {
            if (open && commands_since) {
                text closing = next_endif(i);
                add(*open, 1, check_level::warning,
                    u"the block of this fifvr is not closed before the fifvr at line " +
                        number_text(static_cast<long long>(i) + 1) +
                        u"; blocks do not nest, so when this test fails " +
                        (closing.empty() ? u"every line after it is skipped"
                                         : u"the lines up to the endif at line " + closing +
                                               u" are skipped, both blocks included") +
                        u"; put endif before line " + number_text(static_cast<long long>(i) + 1));
            }
            if (!open || commands_since) open = i;
            commands_since = false;
        } else if (has(i, trait::ends_block)) {
            if (!open) {
                add(i, 1, check_level::warning,
                    u"this endif has no fifvr before it that it could close, so it does nothing");
            }
            open.reset();
        } else if (open) {
            commands_since = true;
        }
    }
    if (open && commands_since) {
        add(*open, 1, check_level::error,
            u"no endif closes the block of this fifvr, so when the test fails every line after "
            u"it, to the end of the script, is skipped; put endif after the block");
    }
}

// The number that fnumv and fgoto read from column 6 to the end of the line.
void script_checker::check_number_argument(size_t index, keyword k) {
    text_view line = lines_[index];
    text_view argument = after_keyword(line);
    text_view name = keyword_name(k);
    bool table = row_of(k).has(trait::new_layout);
    text what = table ? u"N" : u"the target line";
    text fix = table ? u"fnumvN, N being the highest variable number" : u"fgotoN";
    parsed_number n = parse_strict_number(argument);
    text message;
    std::optional<text> suggested_line;
    if (n.error == error_kind::type_mismatch) {
        size_t quote = argument.find(u'\'');
        text_view before = trimmed(argument.substr(0, quote));
        if (quote != text_view::npos && parse_strict_number(before).ok()) {
            suggested_line = text(name) + text(before);
            message = what + u" is everything from column 6 to the end of the line, so " +
                      quoted(argument) + u" is not a number and " +
                      failure_words(k, error_kind::type_mismatch) + u": write " + *suggested_line +
                      u" and put the comment on a line of its own";
        } else {
            message =
                (trimmed(argument).empty() ? what + u" is missing"
                                           : what + u" " + quoted(argument) + u" is not a number") +
                u", so " + failure_words(k, error_kind::type_mismatch) + u": write " + fix;
        }
    } else if (table) {
        double r = n.ok() ? std::nearbyint(n.number) : 0;
        if (!n.ok() || r > 32767 || r < -32768) {
            message = u"N " + quoted(trimmed(argument)) + u" is too large, so " +
                      failure_words(k, error_kind::overflow) + u": the largest table is fnumv32767";
        } else if (r < 0) {
            message = u"N " + quoted(trimmed(argument)) + u" is negative, so " +
                      failure_words(k, error_kind::subscript_out_of_range) +
                      u" and leaves no table: write " + fix;
        }
    } else {
        check_jump(index, k);
        return;
    }
    if (!message.empty())
        add(index, first_field_column, check_level::error, std::move(message),
            std::move(suggested_line));
}

// A target that is a number: line 1 up to the last line, or the jump fails or ends the run.
void script_checker::check_jump(size_t index, keyword k) {
    std::optional<int32_t> target = jump_target(lines_[index]);
    auto last = static_cast<size_t>(last_landing_line(lines_));
    text line_words = target ? u"line " + number_text(*target) : text();
    if (!target) {
        add(index, first_field_column, check_level::error,
            u"the target line is beyond the 16-bit line counter, so " +
                failure_words(k, error_kind::overflow) +
                u": a script has at most "
                u"32767 lines");
    } else if (*target <= 0) {
        add(index, first_field_column, check_level::error,
            u"there is no " + line_words + u": lines count from 1, so " +
                failure_words(k, error_kind::subscript_out_of_range));
    } else if (static_cast<size_t>(*target) > last) {
        add(index, first_field_column, check_level::error,
            line_words + u" is past the last line, " + number_text(static_cast<long long>(last)) +
                u", so the jump just ends the run, without an error; to end the program, "
                u"write fendp",
            text(keyword_name(keyword::fendp)));
    }
}

// Each command's operands under every layout it is read under (layouts_to_read), and every
// command that needs a layout where none can have been made yet.
void script_checker::check_fields(const reaching_layouts& reached) {
    reaching_layouts read = layouts_to_read(reached, keywords_);
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (!keywords_[i]) continue;
        keyword k = *keywords_[i];
        const keyword_row& row = row_of(k);
        if (!row.reads_fields()) {
            // A line without operands ignores what follows its keyword.
            text_view after = trimmed(after_keyword(lines_[i]));
            if (!after.empty() && after[0] == u'\'' && row.operands.empty()) {
                add(i, static_cast<int>(lines_[i].find(u'\'')) + 1, check_level::warning,
                    quoted(after) + u" after " + text(keyword_name(k)) +
                        u" is ignored text, not a comment; put comments on lines of their own");
            }
            continue;
        }
        std::vector<layout_in_force> layouts;
        for (int origin : read[i]) {
            if (origin == no_layout) {
                add(i, first_field_column, check_level::error,
                    u"no fnumv has run yet when this line runs, so its fields have no columns "
                    u"and " +
                        failure_words(k, error_kind::invalid_argument) +
                        u": put fnumvN (N = the highest variable number) before this line");
                continue;
            }
            std::optional<int16_t> size = fnumv_size(lines_[origin]);
            if (!size) continue; // that fnumv fails: it is reported on its own line
            auto same = std::find_if(layouts.begin(), layouts.end(),
                                     [&](const layout_in_force& l) { return l.size == *size; });
            layout_in_force layout{*size, origin + 1, trimmed(lines_[origin])};
            if (same == layouts.end())
                layouts.push_back(layout);
            else if (layout.line < same->line)
                *same = layout;
        }
        std::sort(
            layouts.begin(), layouts.end(),
            [](const layout_in_force& a, const layout_in_force& b) { return a.line < b.line; });
        for (line_finding& f : check_operands(lines_[i], k, layouts))
            add(i, f.column, f.level, std::move(f.message), std::move(f.suggested_line));
        note_variables(i, k, layouts);
    }
}

// The variables that texts are set in and that tests compare, under each layout of the line.
void script_checker::note_variables(size_t index, keyword k,
                                    const std::vector<layout_in_force>& layouts) {
    const keyword_row& row = row_of(k);
    bool sets_text = row.field_of('t') > 0 && row.field_of('w') > 0;
    if (!sets_text && !row.has(trait::tests)) return;
    for (const layout_in_force& layout : layouts) {
        int width = field_width_for(layout.size);
        auto variable = [&](int field) -> std::optional<field_variable> {
            parsed_number n = parse_strict_number(field_text(lines_[index], width, field));
            if (!n.ok() || n.number != std::floor(n.number)) return std::nullopt;
            return field_variable{width, static_cast<long long>(n.number)};
        };
        if (sets_text) {
            if (std::optional<field_variable> v = variable(row.field_of('w')))
                set_texts_.push_back(
                    {index, *v, field_rest(lines_[index], width, row.field_of('t'))});
            continue;
        }
        for (int field : {1, 2}) {
            if (std::optional<field_variable> v = variable(field))
                compared_.emplace_back(*v, index);
        }
    }
}

// A text that ends in blanks, set in a variable that a test below compares: the blanks do not show
// in an editor, many editors remove them on saving, and a text typed or written without them never
// equals it. A text of blanks only, or one that no test compares, is left alone: texts that are
// joined to others often end in a blank on purpose.
void script_checker::check_trailing_blanks() {
    for (const set_text& set : set_texts_) {
        text_view kept = trimmed(set.text);
        if (kept.empty()) continue;
        size_t end = set.text.find_last_not_of(u" \t") + 1;
        if (end == set.text.size()) continue;
        // A test below the line, with no other text set in the variable between them.
        auto set_again = [&](size_t test_line) {
            return std::any_of(set_texts_.begin(), set_texts_.end(), [&](const set_text& other) {
                return other.variable == set.variable && other.line > set.line &&
                       other.line < test_line;
            });
        };
        auto test = std::find_if(compared_.begin(), compared_.end(), [&](const auto& c) {
            return c.first == set.variable && c.second > set.line && !set_again(c.second);
        });
        if (test == compared_.end()) continue;
        text_view blanks = set.text.substr(end);
        text_view them = blanks.size() == 1 ? u"the blank" : u"the blanks";
        int column = static_cast<int>(lines_[set.line].size() - blanks.size()) + 1;
        add(set.line, column, check_level::warning,
            u"the text " + quoted(set.text) + u" ends in " + indent_words(blanks) +
                u", which editors do not show and many remove on saving; the test at line " +
                number_text(static_cast<long long>(test->second) + 1) + u" compares variable " +
                number_text(set.variable.second) + u", and a text without " + text(them) +
                u", such as " + quoted(kept) + u" typed as an answer, never equals it: remove " +
                text(them) + u" unless the answer must end with " +
                (blanks.size() == 1 ? u"it" : u"them"));
    }
}

std::vector<diagnostic> script_checker::run() {
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (!keywords_[i]) {
            if (std::optional<line_finding> f = near_miss_finding(lines_[i]))
                add(i, f->column, f->level, std::move(f->message), std::move(f->suggested_line));
        } else if (reads_rest_of_line(row_of(*keywords_[i]))) {
            check_number_argument(i, *keywords_[i]);
        }
    }
    check_blocks();
    reaching_layouts reached = find_reaching_layouts(lines_, keywords_);
    check_fields(reached);
    check_trailing_blanks();
    if (lines_.size() > counter_lines) {
        add(counter_lines, 1, check_level::error,
            u"the script has " + number_text(static_cast<long long>(lines_.size())) +
                u" lines, so it fails before its first line runs with run-time error 2 "
                u"(Overflow): a script may have at most 32767 lines");
    } else if (lines_.size() == counter_lines && !reached.back().empty()) {
        add(counter_lines - 1, 1, check_level::error,
            u"running line 32768 fails with run-time error 2 (Overflow), as the line counter "
            u"cannot step past it: a script may have at most 32767 lines, the empty piece after "
            u"the final line end included");
    }
    sort_by_place(found_);
    auto same = [](const diagnostic& a, const diagnostic& b) {
        return a.line == b.line && a.column == b.column && a.level == b.level &&
               a.message == b.message;
    };
    found_.erase(std::unique(found_.begin(), found_.end(), same), found_.end());
    return std::move(found_);
}

} // namespace

std::vector<diagnostic> check_script(text_view script, const command_set* trial) {
    std::vector<diagnostic> found = script_checker(script).run();
    if (trial) add_trial_findings(found, try_script(script, *trial));
    return found;
}

void add_trial_findings(std::vector<diagnostic>& found, std::vector<diagnostic> tried) {
    size_t read = found.size();
    for (diagnostic& d : tried) {
        bool reported = std::any_of(
            found.begin(), found.begin() + static_cast<long>(read),
            [&](const diagnostic& e) { return e.line == d.line && e.level == check_level::error; });
        if (d.level == check_level::warning || !reported) found.push_back(std::move(d));
    }
    sort_by_place(found);
}

std::vector<diagnostic> check_script(std::string_view bytes, const decoded_script& script,
                                     bool encoding_forced, const command_set* trial) {
    std::vector<diagnostic> found = check_bytes(bytes, script, encoding_forced);
    for (diagnostic& d : check_script(script.content, trial))
        found.push_back(std::move(d));
    sort_by_place(found);
    return found;
}

} // namespace tovl
