// main_window: the TOVL window, a Qt widget that is the script host of tovl.
#pragma once

#include "host/output_store.h"
#include "host/power_question.h"
#include "interp/run_error.h"
#include "interp/script_host.h"
#include "interp/text_ref.h"

#include <QWidget>

#include <chrono>

class QDialog;
class QStatusBar;

namespace tovl {

class output_view;

// The window keeps the output as its exact text (CR LF included), at most `output_memory_bound`
// bytes of it in memory (output_store), and shows it in the output box, which reads it where
// it is kept. Runs are synchronous: the box takes in new output only where the window can be
// seen (refresh_output): before a box, at the runner's pause points (keep_alive, at most every
// 50 ms) and when the run ends. What the user sees is the same as with an update on every
// print. While a message or input box is open the window takes no input, but closing it still
// ends the program. A status line under the output box says whether the run goes on.
class main_window : public QWidget, public script_host {
    Q_OBJECT
  public:
    explicit main_window(size_t output_memory_bound = output_store::default_memory_bound);
    ~main_window() override;
    main_window(const main_window&) = delete;
    main_window& operator=(const main_window&) = delete;

    void append_output(text_ref more) override;
    void move_caret_to_end() override;
    void set_caption(const text& caption) override;
    // Both throw stop_requested when the window is closed while their box is open.
    void show_message(const text& message) override;
    text ask(const text& prompt) override;

    // Before a run (tovl --ask): asks over the window whether a script with powers may run.
    // Trusting a downloaded script takes a second yes, and a no asks the question again.
    // Closing the window or the box answers "Don't run".
    power_answer ask_about_powers(const power_question_texts& texts);
    // A box with a warning icon and `message` over the window, for a failure that the run goes
    // on after.
    void show_warning(const QString& message);

    // Brings the output box's lines, caret and view up to date with the output text.
    void refresh_output();
    // The run has ended with its last line: the output is brought up to date and the status
    // line says so.
    void show_finished();
    // The run has ended with an error that nothing caught: the status line says so, and a
    // modal box shows its report.
    void show_fatal_error(const run_error& error, text_ref script);

    // The runner's pause point during a run: at most every 50 ms, the output is brought up to
    // date and the window's events are handled (paint, move, resize, close, and scrolling or
    // selecting in the output box; no event calls into the script). True once the window has
    // been closed: the program is to end.
    bool keep_alive();

    output_view* output_box() const { return output_box_; }
    // What the status line says.
    QString status() const;
    const output_store& output() const { return output_; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    // Keeps input from the output box and its scroll bar while a box is open.
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The output box fills the window's inside above the status line, laid out again at each
    // resize.
    void resizeEvent(QResizeEvent* event) override;

  private:
    void lay_out_parts();
    // Handles events until the window is on the screen where the window manager put it.
    void wait_until_placed();
    // Shows `box` and handles events until it is closed, or the window is; the box's result.
    int run_box(QDialog& box);

    output_store output_;
    output_view* output_box_;
    QStatusBar* status_line_;
    QDialog* open_box_ = nullptr;
    // Whether the script asked for the caret at the end since the output box last took output.
    bool end_requested_ = false;
    bool closed_ = false;
    bool placed_ = false;
    std::chrono::steady_clock::time_point last_events_{};
};

} // namespace tovl
