// The powers that --deny names, refused where a script uses them.
#include "app/power_guard.h"

#include "interp/run_error.h"

#include <algorithm>

namespace tovl {

void power_guard::check(script_power power) const {
    if (std::find(denied_.begin(), denied_.end(), power) == denied_.end()) return;
    text option;
    append_ascii(option, power_name(power));
    throw run_error(error_kind::permission_denied)
        .because(u"this run may not " + text(power_words(power)) + u": --deny=" + option);
}

void power_guard::launch(text_view command_line, window_style style) {
    check(script_power::run);
    system_.launch(command_line, style);
}

void power_guard::open_cd_tray() {
    check(script_power::eject);
    system_.open_cd_tray();
}

void power_guard::close_cd_tray() {
    check(script_power::eject);
    system_.close_cd_tray();
}

void power_guard::shut_down_after(int16_t seconds) {
    check(script_power::shut_down);
    system_.shut_down_after(seconds);
}

void power_guard::open(int number, text_view name, file_mode mode, int64_t expected_size) {
    if (mode == file_mode::output) check(script_power::write_files);
    files_.open(number, name, mode, expected_size);
}

void power_guard::delete_matching(text_view name) {
    check(script_power::delete_files);
    files_.delete_matching(name);
}

void power_guard::copy(text_view source, text_view destination) {
    check(script_power::write_files);
    files_.copy(source, destination);
}

} // namespace tovl
