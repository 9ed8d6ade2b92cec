// output_view: the window's output area, drawn line by line straight from the output text.
#pragma once

#include "host/line_index.h"
#include "interp/text.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>

class QTextLayout;

namespace tovl {

// Shows the window's output text, which it reads in place and never copies, as lines that are
// not wrapped; only the lines in sight are laid out and drawn. It shows what take_output() has
// indexed so far. The user cannot type into it but can move a caret, select with the mouse or
// the keyboard and copy the selection, as lines separated by LF. There are no scroll bars: the
// wheel and the keys scroll. Positions are offsets into the output text, never inside a line
// end.
class output_view : public QAbstractScrollArea {
    Q_OBJECT
  public:
    // `output` must outlive the view.
    output_view(const text& output, QWidget* parent);

    // Indexes what was appended to the output text since the last call.
    void take_output();
    // The caret and the view to the start of the output.
    void move_caret_to_start();
    // The caret after the last character shown, and the view scrolled so that it is in sight.
    void move_caret_to_end();
    void select_all();
    // Puts the selected text on the clipboard; nothing when nothing is selected.
    void copy() const;

    size_t caret() const { return caret_; }
    size_t line_count() const { return lines_.count(); }
    size_t first_visible_line() const;
    // How many lines the view shows in full.
    size_t page_lines() const;
    // Everything shown and the selection, as lines separated by LF.
    QString shown_text() const;
    QString selected_text() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

  private:
    enum class motion {
        previous_char,
        next_char,
        previous_line,
        next_line,
        previous_page,
        next_page,
        line_start,
        line_end,
        output_start,
        output_end
    };

    text_view line_text(size_t line) const;
    QString text_between(size_t from, size_t to) const;
    // Lays out line `line`, or as much of it as can be drawn.
    void lay_out(QTextLayout& layout, size_t line) const;
    int line_height() const;
    size_t offset_at(QPoint point) const;
    size_t target(motion where) const;
    // Puts the caret at `offset`; the selection keeps its anchor when `extend` is set.
    void set_caret(size_t offset, bool extend);
    void ensure_caret_visible();
    void update_scroll_range();
    void restart_blink();
    // Offers the selection to X11's middle-button paste.
    void share_selection() const;

    const text& output_;
    line_index lines_;
    size_t caret_ = 0;
    size_t anchor_ = 0;
    // The horizontal scroll, in pixels.
    int left_ = 0;
    bool dragging_ = false;
    bool caret_shown_ = true;
    QBasicTimer blink_;
};

} // namespace tovl
