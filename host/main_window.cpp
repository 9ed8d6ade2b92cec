// The Qt window: output box, layout timer, caption and the modal boxes titled "TOVL".
#include "host/main_window.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
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

// How output shows on screen: a CR LF pair, a lone CR and a lone LF each start a new line.
// `after` is the character before `t` in the output, so that a pair split over two prints
// still counts once.
QString display_text(text_view t, char16_t after) {
    QString out;
    out.reserve(static_cast<qsizetype>(t.size()));
    for (size_t i = 0; i < t.size(); ++i) {
        char16_t c = t[i];
        char16_t before = i > 0 ? t[i - 1] : after;
        if (c == u'\n' && before == u'\r') continue;
        out.append(c == u'\r' || c == u'\n' ? QChar(u'\n') : QChar(c));
    }
    return out;
}

// The document position of output position p.
int document_position(const text& output, int32_t p) {
    int position = 0;
    for (int32_t i = 0; i < p; ++i) {
        if (output[i] == u'\n' && i > 0 && output[i - 1] == u'\r') continue;
        ++position;
    }
    return position;
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

    output_box_ = new QPlainTextEdit(this);
    output_box_->setGeometry(0, 0, pixels(design_width), pixels(design_height));
    output_box_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    output_box_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Read-only to the user, yet selectable so that output can be copied.
    output_box_->setReadOnly(true);
    // The output is only ever appended: an undo history would keep a second copy of all of it.
    output_box_->setUndoRedoEnabled(false);
    output_box_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    output_box_->setFocusPolicy(Qt::StrongFocus);
    setFocusProxy(output_box_);
    output_box_->setFocus();
}

main_window::~main_window() = default;

void main_window::append_output(text_view more) {
    output_ += more;
    caret_ = 0;
}

void main_window::move_caret_to_end() {
    caret_ = static_cast<int32_t>(output_.size());
}

void main_window::refresh_output() {
    if (shown_ < output_.size()) {
        char16_t before = shown_ > 0 ? output_[shown_ - 1] : 0;
        QTextCursor end(output_box_->document());
        end.movePosition(QTextCursor::End);
        end.insertText(display_text(text_view(output_).substr(shown_), before));
    }
    shown_ = output_.size();

    QTextCursor cursor(output_box_->document());
    cursor.setPosition(document_position(output_, caret_));
    output_box_->setTextCursor(cursor);
    if (caret_ == 0) {
        output_box_->verticalScrollBar()->setValue(0);
        output_box_->horizontalScrollBar()->setValue(0);
    } else {
        output_box_->ensureCursorVisible();
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

} // namespace tovl
