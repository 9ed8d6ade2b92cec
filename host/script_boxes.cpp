// The message and input boxes: short texts in plain boxes, long ones in a scrolled text area.
#include "host/script_boxes.h"

#include "host/output_store.h"
#include "host/output_view.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

namespace tovl {

namespace {

const QString application_title = QStringLiteral("TOVL");
constexpr size_t short_lines = 15;
constexpr size_t short_line_length = 80;
constexpr int area_columns = 80;
constexpr int area_lines = 24;

QString to_qstring(text_view t) {
    return QString::fromUtf16(t.data(), static_cast<qsizetype>(t.size()));
}

// A short text as a label shows it: each CR LF, CR or LF starts a new line.
QString label_text(text_view t) {
    QString shown = to_qstring(t);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(u'\r', u'\n');
    return shown;
}

// The height of the title bar that the window manager drew over the box's parent, and so over
// the box; 0 when not known.
int parent_title_bar_height(const QWidget* box) {
    QWidget* parent = box->parentWidget();
    if (!parent || !parent->isVisible()) return 0;
    return parent->geometry().top() - parent->frameGeometry().top();
}

// Widens `box` to show its whole title, within the screen.
void make_room_for_title(QWidget* box) {
    int least = std::min(title_room(*box, parent_title_bar_height(box)),
                         box->screen()->availableGeometry().width());
    if (box->width() < least) box->setMinimumWidth(least);
}

// Places a box that is about to appear: widened to show its whole title, its frame centred on
// its parent's frame, or on the screen, then moved and shrunk as needed to lie within the
// screen's available part. The box's frame is taken to be as thick as the parent's, which the
// same window manager drew; the inside is placed, as the box's frame is not known before it is
// shown. Qt's own placement is off by the frame's height.
void place_box(QWidget* box) {
    QWidget* parent = box->parentWidget();
    bool over_parent = parent && parent->isVisible();
    QRect screen = box->screen()->availableGeometry();
    QSize frame;
    QPoint inset;
    if (over_parent) {
        frame = parent->frameGeometry().size() - parent->size();
        inset = parent->geometry().topLeft() - parent->frameGeometry().topLeft();
    }
    make_room_for_title(box);
    QSize inside = box->size().boundedTo(screen.size() - frame);
    QRect outer(QPoint(), inside + frame);
    outer.moveCenter(over_parent ? parent->frameGeometry().center() : screen.center());
    outer.moveLeft(std::clamp(outer.left(), screen.left(), screen.right() + 1 - outer.width()));
    outer.moveTop(std::clamp(outer.top(), screen.top(), screen.bottom() + 1 - outer.height()));
    box->setGeometry(QRect(outer.topLeft() + inset, inside));
}

// A long message: its text area and OK.
class long_message_box : public script_box {
  public:
    long_message_box(QWidget* parent, text_view message) : script_box(parent) {
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(make_text_widget(message));
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        layout->addWidget(buttons);
    }
};

} // namespace

// The title bar holds the box's icon and up to three buttons, each about as wide as the bar is
// tall, with gaps around the title about as wide again: six such squares. Window managers
// commonly draw the title in the desktop's title font, bold. A bar of unknown height is taken
// as one and a half lines of that font, the usual for the title bars in sight.
int title_room(const QWidget& box, int title_bar_height) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    font.setBold(true);
    QFontMetrics metrics(font);
    int bar = title_bar_height > 0 ? title_bar_height : metrics.height() * 3 / 2;
    return metrics.horizontalAdvance(box.windowTitle()) + 6 * bar;
}

titled_message_box::titled_message_box(QWidget* parent, const QString& message,
                                       QMessageBox::Icon icon)
    : QMessageBox(parent) {
    setWindowTitle(application_title);
    setTextFormat(Qt::PlainText);
    setText(message);
    setIcon(icon);
    setStandardButtons(QMessageBox::Ok);
}

// A message box fixes its size from its layout as it appears, and again whenever the layout
// changes; a row across its grid as wide as the title needs keeps that room in every size it
// takes. Widened only after, it would shrink back, and resize on the screen as it does.
void titled_message_box::showEvent(QShowEvent* event) {
    if (auto* grid = qobject_cast<QGridLayout*>(layout())) {
        grid->addItem(new QSpacerItem(title_room(*this, parent_title_bar_height(this)), 0),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
    QMessageBox::showEvent(event);
    place_box(this);
}

bool is_short_box_text(text_view shown) {
    size_t lines = 1, length = 0;
    for (size_t i = 0; i < shown.size(); ++i) {
        char16_t c = shown[i];
        if (c != u'\r' && c != u'\n') {
            if (++length > short_line_length) return false;
        } else if (c == u'\r' || i == 0 || shown[i - 1] != u'\r') {
            if (++lines > short_lines) return false;
            length = 0;
        }
    }
    return true;
}

script_box::script_box(QWidget* parent) : QDialog(parent) {
    setWindowTitle(application_title);
}

// The text area goes before the text it reads.
script_box::~script_box() {
    delete long_view_;
}

void script_box::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    place_box(this);
}

QWidget* script_box::make_text_widget(text_view shown) {
    if (is_short_box_text(shown)) {
        auto* label = new QLabel(label_text(shown), this);
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        // As wide as the longest line, between 30 and 60 average characters.
        QFontMetrics metrics = label->fontMetrics();
        int widest = 0;
        for (const QString& line : label->text().split(u'\n'))
            widest = std::max(widest, metrics.horizontalAdvance(line) + 1);
        int chars = metrics.averageCharWidth();
        label->setFixedWidth(std::clamp(widest, chars * 30, chars * 60));
        return label;
    }
    long_text_ = std::make_unique<output_store>();
    long_text_->append(shown);
    long_view_ = new output_view(*long_text_, this);
    long_view_->offer_saving(false);
    long_view_->take_output();
    long_view_->move_caret_to_start();
    // Room for the buttons, an entry and the frame is left below and around it.
    QFontMetrics metrics = long_view_->fontMetrics();
    QSize wanted(metrics.averageCharWidth() * area_columns +
                     long_view_->verticalScrollBar()->sizeHint().width(),
                 metrics.height() * area_lines);
    long_view_->setMinimumSize(wanted.boundedTo(screen()->availableGeometry().size() * 3 / 4));
    return long_view_;
}

std::unique_ptr<QDialog> make_message_box(QWidget* parent, text_view message,
                                          QMessageBox::Icon icon) {
    if (is_short_box_text(message))
        return std::make_unique<titled_message_box>(parent, label_text(message), icon);
    return std::make_unique<long_message_box>(parent, message);
}

input_box::input_box(QWidget* parent, text_view prompt) : script_box(parent) {
    QWidget* prompt_widget = make_text_widget(prompt);
    entry = new QLineEdit(this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt_widget);
    layout->addWidget(entry);
    layout->addWidget(buttons);
    entry->setFocus();
}

} // namespace tovl
