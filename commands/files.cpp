// File commands: "ssave", "sload", "sdele" and "scopy". They report their own errors in a
// message ("number description") and let the run go on.
#include "commands/files.h"
#include "interp/error_report.h"
#include "interp/value.h"

#include <new>

namespace tovl::commands {

namespace {

// "ssave" and "sload" work under this file number.
constexpr int file_number = 1;

// What "ssave" writes for a value: texts as they are, numbers with a blank in front when not
// negative and a blank after, nothing for Empty. A text is the slot's own, so saving a large
// text needs no second copy of it; a number's form is made in `number_form`.
text_ref print_form(const value& v, text& number_form) {
    switch (v.kind()) {
    case value_kind::empty: return {};
    case value_kind::text: return v.as_text();
    case value_kind::int16:
    case value_kind::float32:
    case value_kind::float64:
        number_form = value_double(v) < 0 ? u"" : u" ";
        append_value_text(number_form, v);
        number_form += u' ';
        return number_form;
    }
    return {};
}

// Frees the file number after a failure, so one failed command does not leave every later
// "ssave" and "sload" failing with file already open. The failure being reported is the
// first one; a second one from the close is dropped.
void close_after_failure(file_services& files) {
    try {
        files.close(file_number);
    } catch (const run_error&) {
    }
}

// Runs a file command's steps, reporting any failure in a message instead of passing it on:
// the error, then the file's name (set by the steps once known) and the script line. A file
// too large for memory is a failure like any other.
template <typename command_steps>
void report_failures(run_state& state, text_ref line, command_steps steps) {
    text name;
    try {
        steps(name);
    } catch (const run_error& error) {
        state.host.show_message(
            file_command_report(error, name, state.line_counter, widened(line)));
    } catch (const std::bad_alloc&) {
        state.host.show_message(file_command_report(run_error(error_kind::out_of_memory), name,
                                                    state.line_counter, widened(line)));
    }
}

} // namespace

// The value's slot is resolved before the file is opened, so a bad slot number leaves an
// existing file untouched; the file learns the size of its new content when it is opened.
void ssave(run_state& state, const decoded_line& decoded) {
    operands f(state, decoded);
    report_failures(state, f.line(), [&](text& name) {
        name = value_text(f.slot(2));
        text number_form;
        text_ref content = print_form(f.slot(1), number_form);
        constexpr text_view line_end = u"\r\n";
        state.files.open(file_number, name, file_mode::output,
                         state.files.encoded_size(content) + state.files.encoded_size(line_end));
        try {
            state.files.write(file_number, content);
            state.files.write(file_number, line_end);
            state.files.close(file_number);
        } catch (...) {
            close_after_failure(state.files);
            throw;
        }
    });
}

// Loads the whole file as one text, every line ending in CR LF; the receiving slot keeps its
// value when anything fails.
void sload(run_state& state, const decoded_line& decoded) {
    operands f(state, decoded);
    report_failures(state, f.line(), [&](text& name) {
        name = value_text(f.slot(2));
        state.files.open(file_number, name, file_mode::input);
        try {
            // Every byte becomes at most one character and each line end at most two, so the
            // length of the file is nearly always room enough.
            compact_text content;
            auto length = static_cast<size_t>(state.files.length(file_number));
            check_text_length(0, length);
            content.reserve(length + 2);
            while (!state.files.at_end(file_number)) {
                state.files.append_line(file_number, content);
                content.append(u"\r\n");
            }
            f.slot(1) = value::from_text(std::move(content));
            state.files.close(file_number);
        } catch (...) {
            close_after_failure(state.files);
            throw;
        }
    });
}

void sdele(run_state& state, const decoded_line& decoded) {
    operands f(state, decoded);
    report_failures(state, f.line(), [&](text& name) {
        name = value_text(f.slot(1));
        state.files.delete_matching(name);
    });
}

// Copies field 1's file over field 2's. A failure names the file at fault in its cause.
void scopy(run_state& state, const decoded_line& decoded) {
    operands f(state, decoded);
    report_failures(state, f.line(), [&](text&) {
        text destination = value_text(f.slot(2));
        text source = value_text(f.slot(1));
        state.files.copy(source, destination);
    });
}

} // namespace tovl::commands
