// The Qt window: output box, layout timer, caption and the modal boxes titled "TOVL".
#include "host/main_window.h"

#include <QCloseEvent>
#include <QCoreApplication>

#include "host/output_view.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

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

// The one-line input box: a plain-text prompt, an empty entry field, OK and Cancel.
class input_box : public QDialog {
  public:
    input_box(QWidget* parent, const QString& prompt) : QDialog(parent) {
        setWindowTitle(application_title);
        auto* label = new QLabel(prompt, this);
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        entry = new QLineEdit(this);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(label);
        layout->addWidget(entry);
        layout->addWidget(buttons);
        entry->setFocus();
    }
    QLineEdit* entry;
};

void show_plain_box(QWidget* parent, const QString& message, QMessageBox::Icon icon) {
    QMessageBox box(parent);
    box.setWindowTitle(application_title);
    box.setTextFormat(Qt::PlainText);
    box.setText(message);
    box.setIcon(icon);
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

} // namespace

main_window::main_window() {
    setWindowTitle(application_title);
    setWindowIcon(QIcon(QStringLiteral(":/tovl.png")));
    resize(pixels(design_width), pixels(design_height));

    layout_timer_ = new QTimer(this);
    layout_timer_->setInterval(100);
    connect(layout_timer_, &QTimer::timeout, this, &main_window::on_layout_tick);
    layout_timer_->start();

    output_box_ = new output_view(output_, this);
    output_box_->setGeometry(0, 0, pixels(design_width), pixels(design_height));
    setFocusProxy(output_box_);
    output_box_->setFocus();
}

// The output box reads output_, which goes before the box would as a child widget.
main_window::~main_window() {
    delete output_box_;
}

void main_window::append_output(text_view more) {
    output_ += more;
    caret_at_end_ = false;
}

void main_window::move_caret_to_end() {
    caret_at_end_ = true;
}

void main_window::refresh_output() {
    output_box_->take_output();
    if (caret_at_end_) {
        output_box_->move_caret_to_end();
    } else {
        output_box_->move_caret_to_start();
    }
}

// A "[*]" in a window title is Qt's marker for unsaved changes; doubling it shows it as typed.
void main_window::set_caption(const text& caption) {
    setWindowTitle(to_qstring(caption).replace(QStringLiteral("[*]"), QStringLiteral("[*][*]")));
}

void main_window::show_message(const text& message) {
    refresh_output();
    show_plain_box(this, to_qstring(message), QMessageBox::NoIcon);
}

text main_window::ask(const text& prompt) {
    refresh_output();
    input_box box(this, to_qstring(prompt));
    if (box.exec() != QDialog::Accepted) return {};
    return from_qstring(box.entry->text());
}

// Sets top, left, height and width in that order from the outer size less fixed allowances.
// A negative size is rejected, which ends the tick with the later steps skipped.
void main_window::on_layout_tick() {
    output_box_->move(output_box_->x(), 0);
    output_box_->move(0, output_box_->y());
    QRect frame = frameGeometry();
    float height = static_cast<float>(frame.height()) * twips_per_pixel - 400.0f;
    if (!(height >= 0)) return;
    output_box_->resize(output_box_->width(), pixels(height));
    float width = static_cast<float>(frame.width()) * twips_per_pixel - 120.0f;
    if (!(width >= 0)) return;
    output_box_->resize(pixels(width), output_box_->height());
}

void main_window::show_fatal_report(const text& report) {
    refresh_output();
    show_plain_box(isVisible() ? this : nullptr, to_qstring(report), QMessageBox::Critical);
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
// next pause point.
void main_window::closeEvent(QCloseEvent* event) {
    closed_ = true;
    QWidget::closeEvent(event);
}

} // namespace tovl
