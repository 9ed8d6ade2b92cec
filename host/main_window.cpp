// The Qt window: output box, caption and the boxes titled "TOVL" that hold the run.
#include "host/main_window.h"

#include "host/output_view.h"
#include "host/script_boxes.h"
#include "interp/error_report.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStatusBar>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <initializer_list>

namespace tovl {

namespace {

// The platform's unit mapping: 15 twips to one logical pixel.
constexpr float twips_per_pixel = 15.0f;
constexpr int design_width = 6135;  // client area, twips
constexpr int design_height = 3975; // client area, twips
const QString application_title = QStringLiteral("TOVL");

int pixels(float twips) {
    return static_cast<int>(std::lround(twips / twips_per_pixel));
}

QString to_qstring(text_view t) {
    return QString::fromUtf16(t.data(), static_cast<qsizetype>(t.size()));
}

text from_qstring(const QString& s) {
    return text(reinterpret_cast<const char16_t*>(s.utf16()), s.size());
}

} // namespace

// The output box has the design size; the status line goes below it.
main_window::main_window(size_t output_memory_bound) : output_(output_memory_bound) {
    setWindowTitle(application_title);
    setWindowIcon(QIcon(QStringLiteral(":/tovl.png")));

    output_box_ = new output_view(output_, this);
    for (QWidget* part : std::initializer_list<QWidget*>{output_box_, output_box_->viewport(),
                                                         output_box_->verticalScrollBar()})
        part->installEventFilter(this);
    setFocusProxy(output_box_);
    output_box_->setFocus();
    status_line_ = new QStatusBar(this);
    status_line_->showMessage(tr("Running\u2026"));
    resize(pixels(design_width), pixels(design_height) + status_line_->sizeHint().height());
    lay_out_parts();
}

// The output box reads output_, which goes before the box would as a child widget.
main_window::~main_window() {
    delete output_box_;
}

void main_window::append_output(text_ref more) {
    output_.append(more);
}

void main_window::move_caret_to_end() {
    end_requested_ = true;
}

void main_window::refresh_output() {
    output_box_->take_output();
    if (end_requested_) output_box_->move_caret_to_end();
    end_requested_ = false;
}

QString main_window::status() const {
    return status_line_->currentMessage();
}

// A "[*]" in a window title is Qt's marker for unsaved changes; doubling it shows it as typed.
void main_window::set_caption(const text& caption) {
    setWindowTitle(to_qstring(caption).replace(QStringLiteral("[*]"), QStringLiteral("[*][*]")));
}

void main_window::show_message(const text& message) {
    refresh_output();
    wait_until_placed();
    run_box(*make_message_box(this, message, QMessageBox::NoIcon));
    if (closed_) throw stop_requested();
}

text main_window::ask(const text& prompt) {
    refresh_output();
    wait_until_placed();
    input_box box(this, prompt);
    int result = run_box(box);
    if (closed_) throw stop_requested();
    if (result != QDialog::Accepted) return text();
    return from_qstring(box.entry->text());
}

power_answer main_window::ask_about_powers(const power_question_texts& texts) {
    wait_until_placed();
    for (;;) {
        power_question question(this, texts);
        run_box(question);
        power_answer answer = closed_ ? power_answer::dont_run : question.answer();
        bool trusting =
            answer == power_answer::trust_version || answer == power_answer::trust_folder;
        if (!trusting || texts.origin.isEmpty()) return answer;
        trust_confirmation confirmation(this, texts, answer);
        run_box(confirmation);
        if (closed_) return power_answer::dont_run;
        if (confirmation.confirmed()) return answer;
    }
}

void main_window::show_warning(const QString& message) {
    wait_until_placed();
    titled_message_box box(this, message, QMessageBox::Warning);
    run_box(box);
}

// The box is not modal in Qt's sense, as Qt would then keep the window manager's close from
// the window; the window ignores input meanwhile instead (eventFilter). A box whose window is
// closed is closed with it.
int main_window::run_box(QDialog& box) {
    if (closed_) return QDialog::Rejected;
    box.setWindowModality(Qt::NonModal);
    QEventLoop loop;
    connect(&box, &QDialog::finished, &loop, &QEventLoop::exit);
    open_box_ = &box;
    box.show();
    int result = loop.exec();
    open_box_ = nullptr;
    return result;
}

bool main_window::eventFilter(QObject* watched, QEvent* event) {
    if (!open_box_) return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        // A click on the window brings the box back to the front.
        open_box_->raise();
        open_box_->activateWindow();
        return true;
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ContextMenu: return true;
    default: return QWidget::eventFilter(watched, event);
    }
}

void main_window::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    lay_out_parts();
}

void main_window::lay_out_parts() {
    int status_height = std::min(status_line_->sizeHint().height(), height());
    output_box_->setGeometry(0, 0, width(), height() - status_height);
    status_line_->setGeometry(0, height() - status_height, width(), status_height);
}

void main_window::show_finished() {
    refresh_output();
    status_line_->showMessage(tr("Finished"));
}

void main_window::show_fatal_error(const run_error& error, text_ref script) {
    refresh_output();
    status_line_->showMessage(to_qstring(stop_notice(error)));
    wait_until_placed();
    text report = fatal_report(error, script);
    run_box(*make_message_box(isVisible() ? this : nullptr, report, QMessageBox::Critical));
}

// A box opens centred on the window, so the window must have its place on the screen first:
// right after show() the window manager may not have placed it yet, and a box would be centred
// on where the window was asked to be instead. Waits at most a second for the window to be
// shown, drawing the output meanwhile. A window that is not shown is not waited for.
void main_window::wait_until_placed() {
    if (placed_ || !isVisible()) return;
    QElapsedTimer waited;
    waited.start();
    while (!(windowHandle() && windowHandle()->isExposed()) && waited.elapsed() < 1000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    placed_ = true;
}

bool main_window::keep_alive() {
    auto now = std::chrono::steady_clock::now();
    if (now - last_events_ < std::chrono::milliseconds(50)) return closed_;
    refresh_output();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    last_events_ = std::chrono::steady_clock::now();
    return closed_;
}

// Closing the window ends the program, also in the middle of a run: the runner stops at its
// next pause point, or at once when a box is open, which closes too.
void main_window::closeEvent(QCloseEvent* event) {
    closed_ = true;
    if (open_box_) open_box_->reject();
    QWidget::closeEvent(event);
}

} // namespace tovl
