// tovl_fuzz: the libFuzzer target that runs each input as a script, fallback run included.
//
// Each input is taken as the bytes of a script file, decoded through the code page as start-up
// decodes a script, and run with its fallback run as the executables run it, against:
//   - an in-memory host (output kept up to 4 M characters, dialog answers from a fixed cycle),
//   - a system layer that launches nothing and only checks what it is asked,
//   - memory_files, a file system held in memory (nothing reaches the disk),
//   - a fixed sequence of random numbers that includes both ends of the range.
// A step budget ends every run and an allocation budget ends scripts that grow their texts
// without bound. After the run the target checks what must hold whatever the script did: the
// file commands left no file open, and a failed run's error names a line of the script.
#include "check/script_trial.h"
#include "commands/commands.h"
#include "fuzz/allocation_budget.h"
#include "fuzz/memory_files.h"
#include "interp/error_report.h"
#include "interp/interpreter.h"
#include "interp/script_text.h"
#include "interp/utf8.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

namespace {

using namespace tovl;

// Lines one run may execute; the fallback run gets the same again. Kept small: a loop that
// grows a text by a little on every pass does work quadratic in the steps, and most mutated
// scripts loop until the budget ends them.
constexpr uint64_t step_budget = 4000;

[[noreturn]] void fault(const char* what) {
    std::fprintf(stderr, "tovl_fuzz: %s\n", what);
    std::abort();
}

// The window's output in memory, kept only up to kept_limit characters (its length is still
// counted in full); dialogs are answered from a fixed cycle.
class fuzz_host final : public script_host {
  public:
    static constexpr size_t kept_limit = size_t(1) << 22;

    void append_output(text_ref more) override {
        output_length_ += more.size();
        size_t room = kept_limit - std::min(output_.size(), kept_limit);
        text_ref kept = more.substr(0, std::min(more.size(), room));
        append_chars(output_, kept);
        // What a terminal host writes: exercises the UTF-8 encoder on script output.
        utf8_scratch_.clear();
        append_utf8(utf8_scratch_, kept);
        caret_ = 0;
    }
    void move_caret_to_end() override { caret_ = output_length_; }
    void set_caption(const text& caption) override { caption_ = caption; }
    void show_message(const text& message) override { utf8_scratch_ = to_utf8(message); }
    text ask(const text& prompt) override {
        utf8_scratch_ = to_utf8(prompt);
        // Typed as UTF-8, as a terminal delivers them: numbers in and out of range, blanks, a
        // line break, a wildcard, file names the file system knows, a character outside the
        // code page and malformed bytes.
        static const char* const answers[] = {
            "",
            "1",
            "x",
            "-2.5",
            "1e39",
            " 7 ",
            "0",
            "3.5",
            "a\r\nb",
            "*",
            "/etc/readonly.txt",
            "sub/*.txt",
            "/dev/full",
            "32767",
            "-32769",
            "\xF0\x9F\x98\x80",
            "\xED\xA0\x80",
        };
        return from_utf8(answers[next_answer_++ % std::size(answers)]);
    }

  private:
    text output_;
    size_t output_length_ = 0;
    size_t caret_ = 0;
    text caption_ = u"TOVL";
    size_t next_answer_ = 0;
    std::string utf8_scratch_;
};

// Launches nothing, moves no tray and shuts nothing down. A command line with no program is
// file not found, as on a real system; anything else counts as started.
class fuzz_system final : public system_services {
  public:
    void launch(text_view command_line, window_style style) override {
        if (style != window_style::normal && style != window_style::minimized) {
            fault("launch with a window style that is neither normal nor minimized");
        }
        size_t program = command_line.find_first_not_of(u' ');
        if (program == text_view::npos) throw run_error(error_kind::file_not_found);
        ++launches_;
        last_command_line_ = to_utf8(command_line.substr(0, 4096));
    }
    void open_cd_tray() override { ++tray_moves_; }
    void close_cd_tray() override { ++tray_moves_; }
    void shut_down_after(int16_t) override { ++shutdowns_; }

  private:
    int launches_ = 0;
    int tray_moves_ = 0;
    int shutdowns_ = 0;
    std::string last_command_line_;
};

// splitmix64, with 0 and the largest float below 1 drawn regularly so that "frand" meets both
// ends of its range.
class fuzz_random final : public random_source {
  public:
    void reseed() override { ++reseeds_; }
    float next() override {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15u);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
        z ^= z >> 31;
        switch (draws_++ % 8) {
        case 0: return 0.0f;
        case 1: return 0x1.fffffep-1f;
        default: return static_cast<float>(z >> 40) * 0x1p-24f;
        }
    }

  private:
    uint64_t state_ = 1;
    uint64_t draws_ = 0;
    uint64_t reseeds_ = 0;
};

// The checker's trial runs the lines the first run ran, up to the first line that reads from
// outside; within the same step budget, the error it reports is the first run's, and a first
// run with a loop it reports never ends. Memory differs (the budgets are the target's), so a
// run out of memory is not compared.
void check_trial(const tovl::text& script, const tovl::run_outcome& outcome,
                 const std::optional<tovl::run_error>& first_error) {
    using namespace tovl;
    if (first_error && first_error->kind() == error_kind::out_of_memory) return;
    std::vector<diagnostic> found;
    {
        fuzz::allocation_budget budget;
        found = try_script(script, commands::every_command(), {step_budget, 5.0, 16});
    }
    for (const diagnostic& d : found) {
        if (d.line < 1 || static_cast<size_t>(d.line) > split_lines(script).size())
            fault("the trial names a line outside the script");
        if (d.level == check_level::error) {
            text number = u"run-time error " +
                          from_utf8(std::to_string(first_error ? first_error->number() : 0));
            if (!first_error || first_error->line() + 1 != d.line ||
                d.message.find(number) == text::npos)
                fault("the trial's error is not the first run's");
        } else if (d.message.find(u"never ends") != text::npos &&
                   !d.message.starts_with(u"in the second run") &&
                   outcome.end != run_end::step_budget_spent) {
            fault("a run ended in a loop that the trial says never ends");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tovl;
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // The runners keep the script compact; the checker's trial takes it wide.
    compact_script decoded = decode_compact_script(bytes, std::nullopt);
    text_ref script = decoded.content.chars();
    if (widened(script) != decode_script(bytes, std::nullopt).content)
        fault("the compact script differs from the wide one");
    // The console's start-up check for scripts with mixed line ends.
    bool mixed = mixes_line_ends(script);
    (void)mixed;

    fuzz_host host;
    fuzz_system system;
    fuzz::memory_files files(decoded.encoding);
    fuzz_random random;
    run_outcome outcome;
    std::optional<run_error> first_error;
    {
        interpreter interp(run_services{host, system, files, random}, commands::every_command());
        interp.set_step_budget(step_budget);
        fuzz::allocation_budget budget;
        outcome = interp.run_with_fallback(script, [&](const run_error& error) {
            first_error = error;
            {
                // The report the executables show between the runs.
                fuzz::budget_pause pause;
                host.show_message(fallback_report(error, script));
            }
            interp.set_step_budget(step_budget);
        });
    }

    // "ssave" and "sload" close their file whatever happens, so that the next one can open it.
    if (files.open_count() != 0) fault("a file command left a file open");
    if (outcome.end == run_end::failed) {
        int line = outcome.error.line();
        size_t lines = script_lines(script).size();
        if (line != run_error::no_line && (line < 0 || static_cast<size_t>(line) >= lines)) {
            fault("a run-time error names a line outside the script");
        }
        // The report the executables print for an error in the second run.
        host.show_message(fatal_report(outcome.error, script));
    }
    check_trial(widened(script), outcome, first_error);
    return 0;
}
