// Start-up shared by tovl and tovl-console: the options both take, the script and its services.
#pragma once

#include "app/power_guard.h"
#include "app/script_file.h"
#include "interp/interpreter.h"
#include "interp/run_state.h"
#include "interp/text.h"
#include "interp/text_encoding.h"
#include "interp/text_ref.h"
#include "platform/clock_random.h"
#include "platform/linux_files.h"
#include "platform/linux_system.h"

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tovl {

// What a runner says of itself: its name and the texts of --help and --version.
struct runner_texts {
    const char* name;         // "tovl-console", also the start of every message it writes
    const char* usage;        // the usage lines, also shown after a wrong argument
    const char* about;        // what the runner does, before the paragraph on reading scripts
    const char* options_help; // the options and the exit statuses
};

// A flag that only one runner takes, such as "--trace".
struct runner_flag {
    const char* name = nullptr;
    bool* given = nullptr;        // set to true when the flag is on the command line
    bool several_scripts = false; // with this flag the command line may name several scripts
};

enum class runner_request { run, help, version };

// The exit status of both runners when what they print cannot be written to standard output.
constexpr int output_failed_status = 3;

// "the output could not be written to standard output: REASON", for the errno of the write.
text output_failure_message(int error_number);

// Answers --help (usage, about, how a script is read, options) or --version ("NAME VERSION") on
// standard output, and gives the exit status: 0, or output_failed_status after a message on
// standard error when the answer could not be written. Nothing for a run, which has nothing to
// answer.
std::optional<int> answer_request(const runner_texts& runner, runner_request request);

// Writes "NAME: MESSAGE" and a line end on standard error, then `more` (the usage, after wrong
// arguments).
void say_on_stderr(const runner_texts& runner, const std::string& message, const char* more = "");

// What a command line asks for.
struct command_line {
    runner_request request = runner_request::run;
    std::optional<text_encoding> encoding; // from --encoding=, when given
    std::optional<size_t> max_memory;      // bytes, from --max-memory=, when given
    bool once = false; // --once: a run-time error ends the program, with no second run
    std::vector<script_power> denied; // from --deny=: each is a run-time error where used
    std::vector<std::string> scripts;
    std::string error; // what is wrong with the arguments, without the runner's name; or empty
};

// Reads the arguments in order. Before a "--" an argument may be --help (or -h) or --version
// (which end the reading: the request is answered whatever follows), --once, --encoding=NAME,
// --max-memory=SIZE (bytes, or with a suffix K, M or G of 1024, 1024² or 1024³), one of `flags`,
// or "--"; any other argument starting with "-" is an unknown option, and the rest are scripts.
// The first wrong argument ends the reading with its error. At most one script may be named,
// unless a flag that allows several was given.
command_line read_command_line(int argc, char** argv, std::span<const runner_flag> flags);

// Sets the memory budget of the runs to come: --max-memory when given, otherwise a quarter of
// the physical memory or the address-space limit (ulimit -v), whichever is less.
void set_memory_budget(const command_line& args);

// Runs the script as the command line asks: with --once only once, otherwise once more from
// its first line after a run-time error in the first run, of which `notice` is told first.
run_outcome run_as_asked(interpreter& runner, text_ref script, const command_line& args,
                         const interpreter::fallback_notice& notice);

// --help (or -h) or --version before the first "--", looked for ahead of anything else: the
// window answers them before Qt starts, as Qt needs a display. A run when there is neither.
runner_request find_help_or_version(int argc, char** argv);

// The warning for a script that ends its lines at CR LF but also holds bare line feeds:
// "warning: PATH: HINT", without the runner's name. Nothing for any other script.
std::optional<text> line_end_warning(const std::string& path, text_ref content);

// The services of one run on Linux for a script read in `encoding`: files, programs, the CD
// tray, the clock-seeded random numbers, and `host`. With a `rehearsal` reporter, programs,
// shutdowns and tray commands are only described to it (--dry-run). A file command that writes
// to a stream such as standard output lets `host` write out what it holds back first.
class linux_run_services {
  public:
    // The powers in `denied` are refused (app/power_guard.h).
    linux_run_services(script_host& host, text_encoding encoding,
                       dry_run_system::reporter rehearsal = {},
                       std::vector<script_power> denied = {});
    // The services refer to this object's members, so it stays where it was made.
    linux_run_services(const linux_run_services&) = delete;
    linux_run_services& operator=(const linux_run_services&) = delete;
    linux_run_services(linux_run_services&&) = delete;
    linux_run_services& operator=(linux_run_services&&) = delete;
    ~linux_run_services() = default;

    const run_services& services() const { return services_; }

  private:
    std::unique_ptr<system_services> system_;
    linux_files files_;
    power_guard guard_;
    clock_random random_;
    run_services services_;
};

} // namespace tovl
