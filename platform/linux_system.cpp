// Real and rehearsed system services over the process launch and the CD tray.
#include "platform/linux_system.h"

#include "interp/utf8.h"

#include <cerrno>

namespace tovl {

namespace {

text program_named(const std::string& program) {
    return u"program \"" + from_utf8(program) + u"\"";
}

// The run-time error of a command that could not be prepared or started, with its cause.
run_error launch_error(os_error error, const prepared_command& command) {
    if (command.words.empty() || command.words[0].empty()) {
        return to_run_error(error).because(u"the command line names no program");
    }
    if (command.program.empty()) {
        const std::string& word = command.words[0];
        bool named_by_path = word.find('/') != std::string::npos;
        text cause = program_named(word);
        if (error.number == EACCES) {
            cause += named_by_path ? u" is not executable"
                                   : u" is in a folder of PATH but is not executable";
        } else if (error.number == EISDIR) {
            cause += u" is a folder";
        } else {
            cause += named_by_path ? u" does not exist" : u" was not found in any folder of PATH";
        }
        return to_run_error(error).because(std::move(cause));
    }
    text cause = program_named(command.program) + u" could not be started";
    if (error.number == E2BIG) {
        cause += u": its command line is too long for the system (at most 131071 bytes a word "
                 u"and about 2 MB in all)";
    }
    return to_run_error(error).because(std::move(cause));
}

prepared_command prepare(std::vector<std::string> words, const std::string& search_path) {
    prepared_command command;
    if (os_error error = prepare_command(std::move(words), search_path, command)) {
        throw launch_error(error, command);
    }
    return command;
}

} // namespace

void linux_system_base::launch(text_view command_line, window_style) {
    start(prepare(split_command_line(encode_text(encoding_, command_line)), program_search_path()));
}

void linux_system_base::shut_down_after(int16_t seconds) {
    start(prepare(shutdown_words(seconds), program_search_path() + ":/usr/sbin:/sbin"));
}

void linux_system::start(const prepared_command& command) {
    if (os_error error = start_detached(command)) throw launch_error(error, command);
}

void linux_system::move_tray(tray_move move) {
    // No drive, no tray or a busy drive: the script goes on as if the tray had moved.
    (void)move_cd_tray(move);
}

void dry_run_system::start(const prepared_command& command) {
    report_(u"dry run: " + decode_text(encoding(), shell_words(command.words)));
}

void dry_run_system::move_tray(tray_move move) {
    report_(from_ascii(move == tray_move::open ? "dry run: open the CD tray of "
                                               : "dry run: close the CD tray of ") +
            from_ascii(cd_drive));
}

} // namespace tovl
