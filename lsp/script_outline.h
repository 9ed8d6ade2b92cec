// What the language server reads of a script's lines for colours, hovers and jump links: each
// line's keyword, the layout that splits its fields, where each field stands, and the line a
// jump lands on. The arithmetic is that of interp/operand_layout.h and check/layout_flow.h.
#pragma once

#include "check/layout_flow.h"
#include "interp/keyword.h"
#include "interp/text.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace tovl::lsp {

// What a line is to the runner.
enum class line_kind {
    blank,   // nothing but blanks and tabs
    comment, // its first character that is no blank or tab is a quote mark
    ignored, // any other line without a keyword: it does nothing
    command, // a keyword in columns 1 to 5
};

// One operand of a command line, in the editor's columns.
struct field_span {
    char code;       // the operand's code in its keyword row (interp/keywords.def)
    int field;       // its 1-based field
    int column;      // 0-based
    int length;      // at least 1
    bool not_number; // the operand must be a number and its text is none
};

// The layout that splits a line's fields.
//
// A line that layouts of different widths can reach is split by one of them: by the layout of
// the "fnumv" nearest above the line when a table of its size can be in force, else by the one
// nearest above it of those that can. A script is read from the top, and its author writes a
// line for the "fnumv" above it, so that split matches what the reader expects; the others are
// kept in `others` so that the editor can say that the split is not the only one, and the
// checker reports the line's fields under each.
struct line_layout {
    int width = 0;           // 0 when no table is known there: the fields have no columns
    int origin = no_layout;  // the 0-based line of the "fnumv" that set the layout
    int16_t size = 0;        // the table it made: variables 0..size
    bool reached = false;    // some run reaches the line; if not, it is read under the fnumv above
    bool before_any = false; // the line can also run before any "fnumv" has run
    std::vector<int> others; // "fnumv" lines whose tables, of other widths, can be in force too
};

// A line's operand fields as its layout splits them, in column order.
struct line_fields {
    line_layout layout;
    std::vector<field_span> fields;
    int ignored_from; // the 0-based column where the text that the command ignores starts
};

class script_outline {
  public:
    // Reads the lines once; they must outlive the outline.
    explicit script_outline(const std::vector<text_view>& lines);

    int line_count() const { return static_cast<int>(lines_.size()); }
    text_view line(int index) const { return lines_[static_cast<size_t>(index)]; }
    line_kind kind(int index) const;
    std::optional<keyword> keyword_at(int index) const { return keywords_[index]; }

    line_layout layout(int index) const;
    // The fields of a command line under its layout; none past the keyword when the layout has
    // no width, except the operand that runs from column 6 to the end ("fnumv", "fgoto").
    line_fields fields(int index) const;

    // The 1-based line a jump on line `index` lands on (0 or below when it cannot), or nothing
    // when the line is no jump or its target is no number the line counter can hold.
    std::optional<int32_t> landing_line(int index) const;
    // The last line a jump can land on (check/layout_flow.h).
    int last_landing_line() const { return last_landing_line_; }

    // The table size that the "fnumv" on line `origin` makes, or nothing when it fails.
    std::optional<int16_t> table_size(int origin) const;

  private:
    const std::vector<text_view>& lines_;
    line_keywords keywords_;
    reaching_layouts read_;        // the layouts each line is read under
    std::vector<bool> reached_;    // some run reaches the line
    std::vector<int> fnumv_above_; // the nearest "fnumv" line above each line, or no_layout
    std::vector<std::optional<int16_t>> table_sizes_; // of each "fnumv" line that makes a table
    int last_landing_line_;
};

} // namespace tovl::lsp
