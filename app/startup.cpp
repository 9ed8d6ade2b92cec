// Start-up shared by both runners: their help, their common options, the script's services.
#include "app/startup.h"

#include "interp/error_report.h"
#include "interp/memory_budget.h"
#include "interp/script_text.h"
#include "interp/utf8.h"
#include "platform/descriptors.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/resource.h>
#include <unistd.h>

namespace tovl {

namespace {

// The paragraph of both runners' --help on how a script is read.
constexpr char script_reading_help[] =
    "A script that is valid UTF-8 is read as UTF-8, any other as Windows-1252; the run\n"
    "reads and writes files, file names and command lines in the same encoding. A script\n"
    "with no carriage return ends its lines at LF, any other at CR LF.\n"
    "\n";

bool is(const char* argument, const char* option) {
    return std::strcmp(argument, option) == 0;
}

bool is_help(const char* argument) {
    return is(argument, "--help") || is(argument, "-h");
}

// An argument "--encoding=NAME": the encoding NAME names, or an error when it names none.
struct encoding_option {
    std::optional<text_encoding> encoding;
};
std::optional<encoding_option> read_encoding_option(const char* argument) {
    constexpr char prefix[] = "--encoding=";
    if (std::strncmp(argument, prefix, sizeof prefix - 1) != 0) return std::nullopt;
    return encoding_option{encoding_named(argument + sizeof prefix - 1)};
}

// An argument "--deny=POWER,...": the powers it names, or an error naming the word that names
// none.
struct deny_option {
    std::vector<script_power> powers;
    std::string unknown;
};
std::optional<deny_option> read_deny_option(const char* argument) {
    constexpr char prefix[] = "--deny=";
    if (std::strncmp(argument, prefix, sizeof prefix - 1) != 0) return std::nullopt;
    deny_option option;
    std::string_view words = argument + sizeof prefix - 1;
    while (option.unknown.empty()) {
        std::string_view word = words.substr(0, words.find(','));
        const auto* named = std::find_if(every_power.begin(), every_power.end(),
                                         [&](script_power p) { return power_name(p) == word; });
        if (named == every_power.end())
            option.unknown = word;
        else
            option.powers.push_back(*named);
        if (word.size() == words.size()) break;
        words.remove_prefix(word.size() + 1);
    }
    return option;
}

// An argument "--max-memory=SIZE": its bytes, or nothing when SIZE is no size.
struct size_option {
    std::optional<size_t> bytes;
};
std::optional<size_option> read_size_option(const char* argument) {
    constexpr char prefix[] = "--max-memory=";
    if (std::strncmp(argument, prefix, sizeof prefix - 1) != 0) return std::nullopt;
    const char* digits = argument + sizeof prefix - 1;
    char* end = nullptr;
    errno = 0;
    unsigned long long number =
        std::isdigit(static_cast<unsigned char>(*digits)) ? std::strtoull(digits, &end, 10) : 0;
    if (!end || errno != 0 || number == 0) return size_option{};
    int shift = 0;
    switch (std::toupper(static_cast<unsigned char>(*end))) {
    case '\0': break;
    case 'K': shift = 10; break;
    case 'M': shift = 20; break;
    case 'G': shift = 30; break;
    default: return size_option{};
    }
    if (shift != 0 && end[1] != '\0') return size_option{};
    if (number > (SIZE_MAX >> shift)) return size_option{};
    return size_option{static_cast<size_t>(number) << shift};
}

std::unique_ptr<system_services> make_system(text_encoding encoding,
                                             dry_run_system::reporter rehearsal) {
    if (rehearsal) return std::make_unique<dry_run_system>(encoding, std::move(rehearsal));
    return std::make_unique<linux_system>(encoding);
}

} // namespace

text output_failure_message(int error_number) {
    return u"the output could not be written to standard output: " +
           from_utf8(std::strerror(error_number));
}

std::optional<int> answer_request(const runner_texts& runner, runner_request request) {
    std::string answer;
    if (request == runner_request::help) {
        answer =
            std::string(runner.usage) + runner.about + script_reading_help + runner.options_help;
    } else if (request == runner_request::version) {
        answer = std::string(runner.name) + " " + TOVL_VERSION + "\n";
    } else {
        return std::nullopt;
    }
    if (os_error error = write_all(STDOUT_FILENO, answer)) {
        say_on_stderr(runner, to_utf8(output_failure_message(error.number)));
        return output_failed_status;
    }
    return 0;
}

void say_on_stderr(const runner_texts& runner, const std::string& message, const char* more) {
    std::fprintf(stderr, "%s: %s\n%s", runner.name, message.c_str(), more);
}

command_line read_command_line(int argc, char** argv, std::span<const runner_flag> flags) {
    command_line args;
    bool options_ended = false;
    bool several_scripts = false;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (options_ended || arg[0] != '-' || arg[1] == '\0') {
            args.scripts.emplace_back(arg);
            continue;
        }
        if (is_help(arg) || is(arg, "--version")) {
            args.request = is_help(arg) ? runner_request::help : runner_request::version;
            return args;
        }
        if (is(arg, "--once")) {
            args.once = true;
            continue;
        }
        if (std::optional<encoding_option> option = read_encoding_option(arg)) {
            if (!option->encoding) {
                args.error =
                    std::string("unknown encoding in '") + arg + "': use utf-8 or windows-1252";
                return args;
            }
            args.encoding = option->encoding;
            continue;
        }
        if (std::optional<deny_option> option = read_deny_option(arg)) {
            if (!option->unknown.empty()) {
                args.error = "unknown power '" + option->unknown + "' in '" + arg +
                             "': use run, delete, write, eject or shutdown, separated by commas";
                return args;
            }
            args.denied.insert(args.denied.end(), option->powers.begin(), option->powers.end());
            continue;
        }
        if (std::optional<size_option> option = read_size_option(arg)) {
            if (!option->bytes) {
                args.error = std::string("bad size in '") + arg +
                             "': write a number of bytes, or one with K, M or G (512M)";
                return args;
            }
            args.max_memory = option->bytes;
            continue;
        }
        if (is(arg, "--")) {
            options_ended = true;
            continue;
        }
        const runner_flag* flag = nullptr;
        for (const runner_flag& candidate : flags) {
            if (is(arg, candidate.name)) flag = &candidate;
        }
        if (!flag) {
            args.error = std::string("unknown option '") + arg + "'";
            return args;
        }
        *flag->given = true;
        several_scripts = several_scripts || flag->several_scripts;
    }
    if (args.scripts.size() > 1 && !several_scripts) args.error = "one script at a time";
    return args;
}

void set_memory_budget(const command_line& args) {
    if (args.max_memory) {
        memory_budget::set_limit(*args.max_memory);
        return;
    }
    long pages = ::sysconf(_SC_PHYS_PAGES);
    long page_size = ::sysconf(_SC_PAGESIZE);
    size_t budget = pages > 0 && page_size > 0
                        ? static_cast<size_t>(pages) / 4 * static_cast<size_t>(page_size)
                        : SIZE_MAX;
    struct rlimit address_space {};
    if (::getrlimit(RLIMIT_AS, &address_space) == 0 && address_space.rlim_cur != RLIM_INFINITY)
        budget = std::min<size_t>(budget, address_space.rlim_cur);
    memory_budget::set_limit(budget);
}

run_outcome run_as_asked(interpreter& runner, text_ref script, const command_line& args,
                         const interpreter::fallback_notice& notice) {
    return args.once ? runner.run(script) : runner.run_with_fallback(script, notice);
}

runner_request find_help_or_version(int argc, char** argv) {
    for (int i = 1; i < argc && !is(argv[i], "--"); ++i) {
        if (is_help(argv[i])) return runner_request::help;
        if (is(argv[i], "--version")) return runner_request::version;
    }
    return runner_request::run;
}

std::optional<text> line_end_warning(const std::string& path, text_ref content) {
    if (!mixes_line_ends(content)) return std::nullopt;
    return u"warning: " + from_utf8(path) + u": " + text(line_feed_hint);
}

linux_run_services::linux_run_services(script_host& host, text_encoding encoding,
                                       dry_run_system::reporter rehearsal,
                                       std::vector<script_power> denied)
    : system_(make_system(encoding, std::move(rehearsal))),
      files_(encoding, [&host] { host.before_outside_write(); }),
      guard_(*system_, files_, std::move(denied)), services_{host, guard_, guard_, random_} {}

} // namespace tovl
