// The system services of a real run, and of a rehearsal that only reports what it would do.
#pragma once

#include "interp/system_services.h"
#include "interp/text_encoding.h"
#include "platform/cd_tray.h"
#include "platform/process_launch.h"

#include <functional>

namespace tovl {

// What a real run and a rehearsal share: every request is prepared the same way (a command
// line split into words, the shutdown's words, the program found on the search path, the
// kernel's limits checked) and any failure raised from there, so that a rehearsal fails
// wherever a real run would before anything is started. Only the final act differs.
class linux_system_base : public system_services {
  public:
    // Command lines become bytes in `encoding`.
    explicit linux_system_base(text_encoding encoding) : encoding_(encoding) {}

    // The window style has no meaning for a Linux process.
    void launch(text_view command_line, window_style style) final;
    void open_cd_tray() final { move_tray(tray_move::open); }
    void close_cd_tray() final { move_tray(tray_move::close); }
    // The system's shutdown program, searched on PATH and then in /usr/sbin and /sbin, where
    // it lies outside most users' PATH.
    void shut_down_after(int16_t seconds) final;

  protected:
    // The final acts: start a prepared command (raising what stops it), move the tray
    // (silently).
    virtual void start(const prepared_command& command) = 0;
    virtual void move_tray(tray_move move) = 0;
    // The encoding of command lines and of what a rehearsal reports.
    text_encoding encoding() const { return encoding_; }

  private:
    text_encoding encoding_;
};

// Programs are started detached and the tray moved by the CD-ROM driver.
class linux_system final : public linux_system_base {
  public:
    using linux_system_base::linux_system_base;

  private:
    void start(const prepared_command& command) override;
    void move_tray(tray_move move) override;
};

// Nothing is started or moved: `report` is told what would be, as "dry run: " and the words
// the program would get, quoted as a shell reads them back, or the tray move.
class dry_run_system final : public linux_system_base {
  public:
    using reporter = std::function<void(const text& line)>;
    dry_run_system(text_encoding encoding, reporter report)
        : linux_system_base(encoding), report_(std::move(report)) {}

  private:
    void start(const prepared_command& command) override;
    void move_tray(tray_move move) override;

    reporter report_;
};

} // namespace tovl
