// output_view: the window's output area, drawn line by line straight from the output text.
#pragma once

#include "host/output_store.h"
#include "interp/text.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>

class QTextLayout;

namespace tovl {

// Shows the window's output, which it reads where the store keeps it, as lines that are not
// wrapped; only the lines in sight are read, laid out and drawn. At each take_output() it
// takes in what was appended and, as a terminal does, follows it while the view shows the end:
// a view scrolled away from the end stays where it is, and a caret stays put unless it stood at
// the end. The user cannot type into it but can move a caret, select with the mouse or the
// keyboard, copy the selection, as lines separated by LF, and save the whole output. A
// vertical scroll bar shows when the output is longer than the view; the wheel and the keys
// scroll too. Positions are offsets into the output, never inside a line end.
class output_view : public QAbstractScrollArea {
    Q_OBJECT
  public:
    // `output` must outlive the view.
    output_view(const output_store& output, QWidget* parent);

    // Takes in what was appended to the output since the last call.
    void take_output();
    // Whether the last line is in sight: then new output scrolls into view as it comes.
    bool shows_end() const;
    // The caret and the view to the start of the output.
    void move_caret_to_start();
    // The caret after the last character shown, and the view scrolled so that it is in sight.
    void move_caret_to_end();
    void select_all();
    // Puts the selected text on the clipboard; nothing when nothing is selected.
    void copy() const;
    // Whether the context menu offers "Save output…"; it does unless told otherwise.
    void offer_saving(bool offered) { saving_offered_ = offered; }
    // Writes the whole output kept to the file `path` as UTF-8; the reason when that fails.
    QString save_to(const QString& path) const;

    size_t caret() const { return caret_; }
    size_t line_count() const { return output_.line_count(); }
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

    // The part of line `line` that is drawn.
    text drawn_text(size_t line) const;
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
    // Asks for a file name and saves the output there.
    void save_output();

    const output_store& output_;
    size_t taken_ = 0; // the output's size at the last take_output()
    size_t caret_ = 0;
    size_t anchor_ = 0;
    // The horizontal scroll, in pixels.
    int left_ = 0;
    bool dragging_ = false;
    bool caret_shown_ = true;
    bool saving_offered_ = true;
    QBasicTimer blink_;
};

} // namespace tovl
