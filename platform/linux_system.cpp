// Real and rehearsed system services over the process launch and the CD tray.
#include "platform/linux_system.h"

#include "interp/text_encoding.h"
#include "platform/cd_tray.h"
#include "platform/process_launch.h"

namespace tovl {

void linux_system::launch(text_view command_line, window_style) {
    launch_detached(translate_shutdown(split_command_line(encode_text(encoding_, command_line))));
}

void linux_system::send_media_command(const std::string& command) {
    send_cd_tray_command(command);
}

void dry_run_system::launch(text_view command_line, window_style style) {
    std::vector<std::string> words = split_command_line(encode_text(encoding_, command_line));
    if (translate_shutdown(words) == words) find_program(words.empty() ? std::string() : words[0]);
    text line = u"dry run: launch \"" + text(command_line) + u"\" with window style ";
    append_ascii(line, std::to_string(static_cast<int>(style)));
    report_(line);
}

void dry_run_system::send_media_command(const std::string& command) {
    report_(u"dry run: media command \"" + decode_text(encoding_, command) + u"\"");
}

} // namespace tovl
