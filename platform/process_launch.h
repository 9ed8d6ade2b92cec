// Process launch on Linux: command-line words, the program search, the kernel's limits and the
// detached start.
#pragma once

#include "platform/os_error.h"

#include <string>
#include <vector>

namespace tovl {

// Blanks separate words; double quotes group text that contains blanks and are removed. No
// other character is special: there is no shell, no globbing, no variables.
std::vector<std::string> split_command_line(const std::string& command_line);

// The words of this platform's shutdown after `seconds`: "shutdown -P +M", M being the seconds
// rounded up to whole minutes, or "shutdown -P now" for 0 seconds or less.
std::vector<std::string> shutdown_words(int seconds);

// The folders programs are searched in, separated by colons: PATH, or /usr/local/bin:/usr/bin:
// /bin when there is no PATH.
std::string program_search_path();

// A program ready to start: the words it gets (its argv, the first as written) and the path of
// the file the system executes.
struct prepared_command {
    std::vector<std::string> words;
    std::string program;
};

// The step a real start and a rehearsal share: finds the program of the first word and checks
// the command against the kernel's limits, so that whatever this lets pass fails, if at all,
// only once the system executes the program. A word with a slash names the program's file;
// any other is searched in the folders of `search_path` as execvp searches PATH (an empty
// folder is the current one). Every failure is a start_program one: ENOENT when there are no
// words or no file is found, EISDIR when the word with a slash names a folder, EACCES when only
// files that cannot be executed are, and E2BIG when the kernel would refuse the words. `program`
// stays empty when no program was found.
os_error prepare_command(std::vector<std::string> words, const std::string& search_path,
                         prepared_command& command);

// Starts a prepared command detached: in a new session, standard input from /dev/null,
// standard output and error inherited, no other descriptor of ours, never left as a zombie.
// The failure of the pipe or processes it needs is a make_process one; a program the system
// will not execute, a start_program one, reported before this returns.
os_error start_detached(const prepared_command& command);

// The words as a POSIX shell reads them back: a word with anything but letters, digits, bytes
// past ASCII and @%+=:,./_- is put in single quotes.
std::string shell_words(const std::vector<std::string>& words);

} // namespace tovl
