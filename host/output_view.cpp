// The output view: painting the lines in sight, the caret, selection, keys, mouse, copying and
// saving.
#include "host/output_view.h"

#include "host/script_boxes.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QSaveFile>
#include <QScrollBar>
#include <QTextLayout>

#include <algorithm>
#include <climits>

namespace tovl {

namespace {

// The output's font; the one place to choose it.
// The desktop's fixed-width font at its normal size, so that columns a script prints line up.
QFont output_font() {
    return QFontDatabase::systemFont(QFontDatabase::FixedFont);
}

// The blank border around the text, in pixels.
constexpr int margin = 4;
constexpr qreal tab_stop_pixels = 80;
// A line longer than this shows only its first characters, so that no line costs more than
// this to lay out; all of it is kept and can be selected and copied.
constexpr size_t drawn_length = 10000;
// A copy holds at most the first this many characters of the selection, so that selecting all
// of a long output cannot fill the memory; saving the output keeps all of it.
constexpr size_t copied_length = size_t(16) << 20;

bool is_high_surrogate(char16_t c) {
    return c >= 0xD800 && c < 0xDC00;
}

bool is_low_surrogate(char16_t c) {
    return c >= 0xDC00 && c < 0xE000;
}

bool is_word_character(char16_t c) {
    return c == u'_' || QChar(c).isLetterOrNumber();
}

int clamp_to_int(size_t n) {
    return static_cast<int>(std::min<size_t>(n, INT_MAX));
}

} // namespace

output_view::output_view(const output_store& output, QWidget* parent)
    : QAbstractScrollArea(parent), output_(output) {
    setFont(output_font());
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
}

void output_view::take_output() {
    if (output_.size() == taken_) return;
    bool following = shows_end();
    bool caret_at_end = caret_ == taken_ && anchor_ == caret_;
    size_t top = first_visible_line();
    taken_ = output_.size();
    // Positions stay on the output kept, and a CR at the old end may have found its LF: no
    // position may stay between the two.
    for (size_t* position : {&caret_, &anchor_}) {
        *position = std::max(*position, output_.kept_from());
        *position = std::min(*position, output_.line_end(output_.line_of(*position)));
    }
    if (caret_at_end) caret_ = anchor_ = taken_;
    update_scroll_range();
    // The scroll bar counts from the first line kept, which moves when old output is dropped.
    size_t kept = output_.first_line();
    verticalScrollBar()->setValue(following ? verticalScrollBar()->maximum()
                                            : clamp_to_int(top > kept ? top - kept : 0));
    viewport()->update();
}

bool output_view::shows_end() const {
    return verticalScrollBar()->value() == verticalScrollBar()->maximum();
}

void output_view::move_caret_to_start() {
    set_caret(output_.kept_from(), false);
}

void output_view::move_caret_to_end() {
    set_caret(output_.size(), false);
}

void output_view::select_all() {
    anchor_ = output_.kept_from();
    caret_ = output_.size();
    viewport()->update();
    share_selection();
}

void output_view::copy() const {
    if (anchor_ != caret_) QGuiApplication::clipboard()->setText(selected_text());
}

void output_view::share_selection() const {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (anchor_ != caret_ && clipboard->supportsSelection())
        clipboard->setText(selected_text(), QClipboard::Selection);
}

size_t output_view::first_visible_line() const {
    return output_.first_line() + static_cast<size_t>(verticalScrollBar()->value());
}

int output_view::line_height() const {
    return std::max(1, fontMetrics().height());
}

size_t output_view::page_lines() const {
    return static_cast<size_t>(std::max(1, (viewport()->height() - 2 * margin) / line_height()));
}

text output_view::drawn_text(size_t line) const {
    size_t start = output_.line_start(line), end = output_.line_end(line);
    text shown = output_.read(start, std::min(end, start + drawn_length));
    if (end > start + drawn_length && is_high_surrogate(shown.back())) shown.pop_back();
    return shown;
}

// Each line end, CR LF, CR or LF, becomes one LF.
QString output_view::text_between(size_t from, size_t to) const {
    text chars = output_.read(from, std::min(to, from + copied_length));
    QString out = QString::fromUtf16(chars.data(), static_cast<qsizetype>(chars.size()));
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    out.replace(u'\r', u'\n');
    return out;
}

QString output_view::shown_text() const {
    return text_between(output_.kept_from(), output_.size());
}

QString output_view::selected_text() const {
    return text_between(std::min(anchor_, caret_), std::max(anchor_, caret_));
}

void output_view::lay_out(QTextLayout& layout, size_t line) const {
    text shown = drawn_text(line);
    layout.setText(QString::fromUtf16(shown.data(), static_cast<qsizetype>(shown.size())));
    layout.setFont(font());
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    option.setTabStopDistance(tab_stop_pixels);
    layout.setTextOption(option);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
}

void output_view::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::Text));
    int height = line_height();
    // Only the lines that cross the area to paint are laid out.
    QRect area = event->rect();
    size_t top = first_visible_line();
    size_t first = top + static_cast<size_t>(std::max(0, area.top() - margin) / height);
    size_t last = top + static_cast<size_t>(std::max(0, area.bottom() - margin) / height);
    size_t from = std::min(anchor_, caret_), to = std::max(anchor_, caret_);
    size_t caret_line = output_.line_of(caret_);
    for (size_t line = std::max(first, output_.first_line()); line <= last && line < line_count();
         ++line) {
        QTextLayout layout;
        lay_out(layout, line);
        auto length = static_cast<size_t>(layout.text().size());
        QPointF at(margin - left_, margin + static_cast<int>(line - top) * height);
        size_t start = output_.line_start(line), end = output_.line_end(line);
        QList<QTextLayout::FormatRange> selections;
        if (from < to && from <= end && to > start) {
            size_t begin = std::max(from, start) - start, stop = std::min(to, end) - start;
            QTextLayout::FormatRange range;
            range.start = static_cast<int>(std::min(begin, length));
            range.length = static_cast<int>(std::min(stop, length)) - range.start;
            range.format.setBackground(palette().highlight());
            range.format.setForeground(palette().highlightedText());
            selections.append(range);
            // A selection that goes on past the line's end marks it with a space's width.
            if (to > end && line + 1 < line_count()) {
                painter.fillRect(QRectF(at.x() + layout.lineAt(0).naturalTextWidth(), at.y(),
                                        fontMetrics().horizontalAdvance(QChar(u' ')), height),
                                 palette().highlight());
            }
        }
        layout.draw(&painter, at, selections);
        if (line == caret_line && caret_shown_ && hasFocus())
            layout.drawCursor(&painter, at, static_cast<int>(std::min(caret_ - start, length)));
    }
}

// A view that showed the end goes on showing it at its new size.
void output_view::resizeEvent(QResizeEvent* event) {
    bool following = shows_end();
    QAbstractScrollArea::resizeEvent(event);
    update_scroll_range();
    if (following) verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

// The scroll bar counts lines from the first one kept, so that it does not run out of numbers
// however many lines have been dropped.
void output_view::update_scroll_range() {
    size_t page = page_lines(), kept = line_count() - output_.first_line();
    verticalScrollBar()->setRange(0, clamp_to_int(kept > page ? kept - page : 0));
    verticalScrollBar()->setPageStep(clamp_to_int(page));
}

size_t output_view::offset_at(QPoint point) const {
    int height = line_height();
    // Rows above the view count from -1 upwards, so that a drag there reaches the line above.
    int y = point.y() - margin;
    long long row = y >= 0 ? y / height : -1 - (-1 - y) / height;
    long long line = static_cast<long long>(first_visible_line()) + row;
    line = std::clamp(line, static_cast<long long>(output_.first_line()),
                      static_cast<long long>(line_count()) - 1);
    QTextLayout layout;
    lay_out(layout, static_cast<size_t>(line));
    int column = layout.lineAt(0).xToCursor(point.x() - margin + left_);
    return output_.line_start(static_cast<size_t>(line)) + static_cast<size_t>(std::max(0, column));
}

size_t output_view::target(motion where) const {
    size_t line = output_.line_of(caret_);
    size_t start = output_.line_start(line), end = output_.line_end(line);
    // Whether `at` lies between the two halves of a surrogate pair.
    auto inside_pair = [&](size_t at) {
        return is_low_surrogate(output_.at(at)) && is_high_surrogate(output_.at(at - 1));
    };
    // The same column in another line, or that line's end when it is shorter.
    auto same_column = [&](size_t other) {
        size_t other_start = output_.line_start(other), other_end = output_.line_end(other);
        size_t at = other_start + std::min(caret_ - start, other_end - other_start);
        return at > other_start && at < other_end && inside_pair(at) ? at - 1 : at;
    };
    size_t page = page_lines(), first = output_.first_line(), last = line_count() - 1;
    switch (where) {
    case motion::previous_char: {
        if (caret_ == start) return line > first ? output_.line_end(line - 1) : caret_;
        size_t at = caret_ - 1;
        return at > start && inside_pair(at) ? at - 1 : at;
    }
    case motion::next_char: {
        if (caret_ == end) return line < last ? output_.line_start(line + 1) : caret_;
        size_t at = caret_ + 1;
        return at < end && inside_pair(at) ? at + 1 : at;
    }
    case motion::previous_line: return line > first ? same_column(line - 1) : output_.kept_from();
    case motion::next_line: return line < last ? same_column(line + 1) : output_.size();
    case motion::previous_page: return same_column(line > first + page ? line - page : first);
    case motion::next_page: return same_column(std::min(line + page, last));
    case motion::line_start: return start;
    case motion::line_end: return end;
    case motion::output_start: return output_.kept_from();
    case motion::output_end: return output_.size();
    }
    return caret_;
}

void output_view::set_caret(size_t offset, bool extend) {
    caret_ = offset;
    if (!extend) anchor_ = offset;
    ensure_caret_visible();
    restart_blink();
    viewport()->update();
}

void output_view::ensure_caret_visible() {
    size_t line = output_.line_of(caret_);
    size_t first = first_visible_line(), page = page_lines(), kept = output_.first_line();
    if (line < first) verticalScrollBar()->setValue(clamp_to_int(line - kept));
    if (line >= first + page) verticalScrollBar()->setValue(clamp_to_int(line - page + 1 - kept));
    QTextLayout layout;
    lay_out(layout, line);
    auto column = std::min<size_t>(caret_ - output_.line_start(line), layout.text().size());
    auto x = static_cast<int>(layout.lineAt(0).cursorToX(static_cast<int>(column)));
    int width = std::max(1, viewport()->width() - 2 * margin);
    if (x < left_) left_ = x;
    if (x >= left_ + width) left_ = x - width + 1;
}

void output_view::keyPressEvent(QKeyEvent* event) {
    static constexpr struct {
        QKeySequence::StandardKey key;
        motion where;
        bool extend;
    } keys[] = {
        {QKeySequence::MoveToPreviousChar, motion::previous_char, false},
        {QKeySequence::SelectPreviousChar, motion::previous_char, true},
        {QKeySequence::MoveToNextChar, motion::next_char, false},
        {QKeySequence::SelectNextChar, motion::next_char, true},
        {QKeySequence::MoveToPreviousLine, motion::previous_line, false},
        {QKeySequence::SelectPreviousLine, motion::previous_line, true},
        {QKeySequence::MoveToNextLine, motion::next_line, false},
        {QKeySequence::SelectNextLine, motion::next_line, true},
        {QKeySequence::MoveToPreviousPage, motion::previous_page, false},
        {QKeySequence::SelectPreviousPage, motion::previous_page, true},
        {QKeySequence::MoveToNextPage, motion::next_page, false},
        {QKeySequence::SelectNextPage, motion::next_page, true},
        {QKeySequence::MoveToStartOfLine, motion::line_start, false},
        {QKeySequence::SelectStartOfLine, motion::line_start, true},
        {QKeySequence::MoveToEndOfLine, motion::line_end, false},
        {QKeySequence::SelectEndOfLine, motion::line_end, true},
        {QKeySequence::MoveToStartOfDocument, motion::output_start, false},
        {QKeySequence::SelectStartOfDocument, motion::output_start, true},
        {QKeySequence::MoveToEndOfDocument, motion::output_end, false},
        {QKeySequence::SelectEndOfDocument, motion::output_end, true},
    };
    if (event->matches(QKeySequence::Copy)) {
        copy();
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        select_all();
        return;
    }
    for (const auto& key : keys) {
        if (!event->matches(key.key)) continue;
        // Left or Right with a selection ends it on that side.
        bool sideways = key.where == motion::previous_char || key.where == motion::next_char;
        if (sideways && !key.extend && anchor_ != caret_) {
            bool left = key.where == motion::previous_char;
            set_caret(left ? std::min(anchor_, caret_) : std::max(anchor_, caret_), false);
            return;
        }
        // A page key moves the view by a page as well as the caret.
        QScrollBar* bar = verticalScrollBar();
        if (key.where == motion::previous_page) bar->setValue(bar->value() - bar->pageStep());
        if (key.where == motion::next_page) bar->setValue(bar->value() + bar->pageStep());
        set_caret(target(key.where), key.extend);
        if (key.extend) share_selection();
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void output_view::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mousePressEvent(event);
    dragging_ = true;
    set_caret(offset_at(event->position().toPoint()), event->modifiers() & Qt::ShiftModifier);
}

void output_view::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_ || !(event->buttons() & Qt::LeftButton))
        return QAbstractScrollArea::mouseMoveEvent(event);
    set_caret(offset_at(event->position().toPoint()), true);
}

void output_view::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !dragging_)
        return QAbstractScrollArea::mouseReleaseEvent(event);
    dragging_ = false;
    share_selection();
}

// Selects the word under the pointer: letters, digits and underscores.
void output_view::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mouseDoubleClickEvent(event);
    size_t at = offset_at(event->position().toPoint());
    size_t line = output_.line_of(at);
    size_t start = output_.line_start(line), end = output_.line_end(line);
    size_t from = at, to = at;
    while (from > start && is_word_character(output_.at(from - 1)))
        --from;
    while (to < end && is_word_character(output_.at(to)))
        ++to;
    dragging_ = true;
    anchor_ = from;
    set_caret(to, true);
}

void output_view::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    QAction* copy_action = menu.addAction(tr("&Copy"));
    copy_action->setShortcut(QKeySequence::Copy);
    copy_action->setEnabled(anchor_ != caret_);
    QAction* select_all_action = menu.addAction(tr("Select All"));
    select_all_action->setShortcut(QKeySequence::SelectAll);
    select_all_action->setEnabled(output_.size() > output_.kept_from());
    QAction* save_action = nullptr;
    if (saving_offered_) {
        menu.addSeparator();
        save_action = menu.addAction(tr("Save output\u2026"));
    }
    QAction* chosen = menu.exec(event->globalPos());
    if (chosen == copy_action) copy();
    if (chosen == select_all_action) select_all();
    if (chosen && chosen == save_action) save_output();
}

void output_view::save_output() {
    QString path = QFileDialog::getSaveFileName(this, tr("Save output"));
    if (path.isEmpty()) return;
    QString failure = save_to(path);
    if (!failure.isEmpty()) {
        titled_message_box(this, tr("The output could not be saved in %1: %2").arg(path, failure),
                           QMessageBox::Warning)
            .exec();
    }
}

QString output_view::save_to(const QString& path) const {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return file.errorString();
    output_.write_utf8([&file](std::string_view bytes) {
        return file.write(bytes.data(), static_cast<qint64>(bytes.size())) ==
               static_cast<qint64>(bytes.size());
    });
    if (!file.commit()) return file.errorString();
    return {};
}

void output_view::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    restart_blink();
    viewport()->update();
}

void output_view::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    blink_.stop();
    viewport()->update();
}

void output_view::restart_blink() {
    caret_shown_ = true;
    int half_period = QApplication::cursorFlashTime() / 2;
    if (half_period > 0 && hasFocus()) {
        blink_.start(half_period, this);
    } else {
        blink_.stop();
    }
}

void output_view::timerEvent(QTimerEvent* event) {
    if (event->timerId() != blink_.timerId()) return QAbstractScrollArea::timerEvent(event);
    caret_shown_ = !caret_shown_;
    viewport()->update();
}

} // namespace tovl
