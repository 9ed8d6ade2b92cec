// main_window: the TOVL window, a Qt widget that is the script host of tovl.
#pragma once

#include "interp/script_host.h"

#include <QWidget>

#include <chrono>

namespace tovl {

class output_view;

// The window keeps the output as its exact text (CR LF included) and shows it in the output
// box, which reads that text in place. Runs are synchronous: the box takes in new output only
// where the window can be seen (refresh_output): before a modal box, at the runner's pause
// points (keep_alive, at most every 50 ms) and when the run ends. What the user sees is the
// same as with an update on every print.
class main_window : public QWidget, public script_host {
    Q_OBJECT
  public:
    main_window();
    ~main_window() override;
    main_window(const main_window&) = delete;
    main_window& operator=(const main_window&) = delete;

    void append_output(text_view more) override;
    void move_caret_to_end() override;
    void set_caption(const text& caption) override;
    void show_message(const text& message) override;
    std::optional<text> ask(const text& prompt) override;

    // Brings the output box's lines, caret and view up to date with the output text.
    void refresh_output();
    // The report of an error that nothing caught, in a modal box.
    void show_fatal_report(const text& report);

    // The runner's pause point during a run: at most every 50 ms, the output is brought up to
    // date and the window's events are handled (paint, move, resize, close, and scrolling or
    // selecting in the output box; no event calls into the script). True once the window has
    // been closed: the program is to end.
    bool keep_alive();

    output_view* output_box() const { return output_box_; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    // The output box fills the window's inside, laid out again at each resize.
    void resizeEvent(QResizeEvent* event) override;

  private:
    // Handles events until the window is on the screen where the window manager put it.
    void wait_until_placed();

    text output_;
    output_view* output_box_;
    // Where the script last put the caret: at the end of the output, or at its start.
    bool caret_at_end_ = false;
    bool closed_ = false;
    bool placed_ = false;
    std::chrono::steady_clock::time_point last_events_{};
};

} // namespace tovl
