// Process launch on Linux: command-line words, the program search and detached start.
#pragma once

#include <string>
#include <vector>

namespace tovl {

// Blanks separate words; double quotes group text that contains blanks and are removed. No
// other character is special: there is no shell, no globbing, no variables.
std::vector<std::string> split_command_line(const std::string& command_line);

// The words of the shutdown command line that scripts compose ("shutdown -s -f -t N") turned
// into this platform's shutdown: "shutdown -P +M", M being N seconds rounded up to whole
// minutes, or "shutdown -P now" for 0 seconds or less. Any other command line is returned
// unchanged.
std::vector<std::string> translate_shutdown(const std::vector<std::string>& words);

// The path to execute for a program word, searched on PATH like execvp when the word holds no
// slash. Raises file not found, or permission denied when only files that cannot be executed
// were found.
std::string find_program(const std::string& program);

// Starts the program detached: in a new session, standard input from /dev/null, standard
// output and error inherited, no other descriptor of ours, never left as a zombie. A start
// that fails raises file not found or permission denied before this returns.
void launch_detached(const std::vector<std::string>& words);

} // namespace tovl
