// The Qt window: output box, caption and the modal boxes titled "TOVL".
#include "host/main_window.h"

#include "host/output_view.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>
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

// A prompt or message as the box shows it: each CR LF, CR or LF starts a new line.
QString box_text(text_view t) {
    QString shown = to_qstring(t);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(u'\r', u'\n');
    return shown;
}

// Places a box that is about to appear so that its frame is centred on its parent's. The box's
// frame is taken to be as thick as the parent's, which the same window manager drew; the inside
// is placed, as the box's frame is not known before it is shown. Qt's own placement is off by
// the frame's height.
void centre_on_parent(QWidget* box) {
    QWidget* parent = box->parentWidget();
    if (!parent || !parent->isVisible()) return;
    QRect outer = parent->frameGeometry();
    QPoint inset = parent->geometry().topLeft() - outer.topLeft();
    QSize box_outer = box->size() + (outer.size() - parent->size());
    QPoint frame_corner = outer.center() - QPoint(box_outer.width() / 2, box_outer.height() / 2);
    box->setGeometry(QRect(frame_corner + inset, box->size()));
}

// The message box, centred on the window.
class message_box : public QMessageBox {
  public:
    using QMessageBox::QMessageBox;

  protected:
    void showEvent(QShowEvent* event) override {
        QMessageBox::showEvent(event);
        centre_on_parent(this);
    }
};

// The one-line input box: the whole prompt as plain text, wrapped at about 60 characters and
// scrolled once it is taller than half the screen, an empty entry field, OK and Cancel.
class input_box : public QDialog {
  public:
    input_box(QWidget* parent, const QString& prompt) : QDialog(parent) {
        setWindowTitle(application_title);
        auto* label = new QLabel(prompt);
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        // As wide as the prompt's longest line, between 30 and 60 average characters.
        QFontMetrics metrics = label->fontMetrics();
        int widest = 0;
        for (const QString& line : prompt.split(u'\n')) {
            widest = std::max(widest, metrics.horizontalAdvance(line) + 1);
        }
        int chars = metrics.averageCharWidth();
        label->setFixedWidth(std::clamp(widest, chars * 30, chars * 60));
        auto* prompt_area = new QScrollArea(this);
        prompt_area->setWidget(label);
        prompt_area->setFrameShape(QFrame::NoFrame);
        prompt_area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        int half_screen = screen()->availableGeometry().height() / 2;
        label->resize(label->width(), label->heightForWidth(label->width()));
        prompt_area->setMinimumWidth(label->width() +
                                     prompt_area->verticalScrollBar()->sizeHint().width());
        prompt_area->setFixedHeight(std::min(label->height(), half_screen));
        entry = new QLineEdit(this);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(prompt_area);
        layout->addWidget(entry);
        layout->addWidget(buttons);
        entry->setFocus();
    }
    QLineEdit* entry;

  protected:
    void showEvent(QShowEvent* event) override {
        QDialog::showEvent(event);
        centre_on_parent(this);
    }
};

void show_plain_box(QWidget* parent, const QString& message, QMessageBox::Icon icon) {
    message_box box(parent);
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

    output_box_ = new output_view(output_, this);
    output_box_->setGeometry(rect());
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
    wait_until_placed();
    show_plain_box(this, box_text(message), QMessageBox::NoIcon);
}

std::optional<text> main_window::ask(const text& prompt) {
    refresh_output();
    wait_until_placed();
    input_box box(this, box_text(prompt));
    if (box.exec() != QDialog::Accepted) return text();
    return from_qstring(box.entry->text());
}

void main_window::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    output_box_->setGeometry(rect());
}

void main_window::show_fatal_report(const text& report) {
    refresh_output();
    wait_until_placed();
    show_plain_box(isVisible() ? this : nullptr, to_qstring(report), QMessageBox::Critical);
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
// next pause point.
void main_window::closeEvent(QCloseEvent* event) {
    closed_ = true;
    QWidget::closeEvent(event);
}

} // namespace tovl
