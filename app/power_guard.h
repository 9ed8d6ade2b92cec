// power_guard: the system and file services with the powers that --deny names refused.
#pragma once

#include "interp/file_services.h"
#include "interp/keyword.h"
#include "interp/system_services.h"

#include <vector>

namespace tovl {

// Passes every request on to the services it guards, except one that uses a denied power:
// that is run-time error 11 (Permission denied), raised before anything is done, whose cause
// names the power and the option. The run loop places it at the line; the file commands
// report it and go on, as they do with their other failures. Reading a file is no power.
class power_guard final : public system_services, public file_services {
  public:
    power_guard(system_services& system, file_services& files, std::vector<script_power> denied)
        : system_(system), files_(files), denied_(std::move(denied)) {}

    void launch(text_view command_line, window_style style) override;
    void open_cd_tray() override;
    void close_cd_tray() override;
    void shut_down_after(int16_t seconds) override;

    void open(int number, text_view name, file_mode mode, int64_t expected_size) override;
    int64_t encoded_size(text_ref chars) const override { return files_.encoded_size(chars); }
    int64_t length(int number) override { return files_.length(number); }
    void append_line(int number, compact_text& to) override { files_.append_line(number, to); }
    bool at_end(int number) override { return files_.at_end(number); }
    void write(int number, text_ref chars) override { files_.write(number, chars); }
    void close(int number) override { files_.close(number); }
    void delete_matching(text_view name) override;
    void copy(text_view source, text_view destination) override;

  private:
    void check(script_power power) const;

    system_services& system_;
    file_services& files_;
    std::vector<script_power> denied_;
};

} // namespace tovl
