// The system services of a real run, and of a rehearsal that only reports what it would do.
#pragma once

#include "interp/system_services.h"
#include "interp/text_encoding.h"

#include <functional>

namespace tovl {

// Programs are launched detached and tray commands sent to the CD-ROM driver.
class linux_system final : public system_services {
  public:
    // Command lines become bytes in `encoding`.
    explicit linux_system(text_encoding encoding) : encoding_(encoding) {}
    void launch(text_view command_line, window_style style) override;
    void send_media_command(const std::string& command) override;

  private:
    text_encoding encoding_;
};

// Nothing is launched or sent; each command line (as composed, with its window style) or media
// command is described to `report` instead. A program other than the shutdown is still looked
// up, so a missing one fails as in a real run.
class dry_run_system final : public system_services {
  public:
    using reporter = std::function<void(const text& line)>;
    dry_run_system(text_encoding encoding, reporter report)
        : encoding_(encoding), report_(std::move(report)) {}
    void launch(text_view command_line, window_style style) override;
    void send_media_command(const std::string& command) override;

  private:
    text_encoding encoding_;
    reporter report_;
};

} // namespace tovl
