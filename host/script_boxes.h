// script_boxes: the boxes a script opens over the window, titled "TOVL": messages and questions.
#pragma once

#include "interp/text.h"

#include <QDialog>
#include <QMessageBox>

#include <memory>

class QLineEdit;

namespace tovl {

class output_store;
class output_view;

// A message or a prompt shows whole in an ordinary box when it is short: at most 15 lines (a CR
// LF, a CR and an LF each end one) of at most 80 characters, which fits any screen. A longer
// one shows in a text area that lays out only the lines in sight and scrolls, 80 columns by 24
// lines or less, so that a box opens at once whatever its text and fits the screen.
bool is_short_box_text(text_view shown);

// The message box: the message with `icon` when it is short, and OK.
std::unique_ptr<QDialog> make_message_box(QWidget* parent, text_view message,
                                          QMessageBox::Icon icon);

// The least width of the inside of `box` with which the window manager shows its whole title
// beside the box's icon and buttons, given the height of the title bar it draws (0 when that
// is not known). Every box titled "TOVL" is at least this wide when it appears.
int title_room(const QWidget& box, int title_bar_height = 0);

// A box titled "TOVL" with a short `message` as plain text, `icon` and OK, placed like the
// other boxes: the short message boxes, the start-up errors and the window's own warnings.
class titled_message_box : public QMessageBox {
  public:
    titled_message_box(QWidget* parent, const QString& message, QMessageBox::Icon icon);

  protected:
    void showEvent(QShowEvent* event) override;
};

// A box titled "TOVL", placed over its parent and on the screen when it appears.
class script_box : public QDialog {
  public:
    explicit script_box(QWidget* parent);
    ~script_box() override;
    script_box(const script_box&) = delete;
    script_box& operator=(const script_box&) = delete;

  protected:
    // The widget that shows `shown`: a label when it is short, else a text area.
    QWidget* make_text_widget(text_view shown);
    void showEvent(QShowEvent* event) override;

  private:
    std::unique_ptr<output_store> long_text_;
    output_view* long_view_ = nullptr;
};

// The input box: the whole prompt as plain text, an empty entry field, OK and Cancel.
class input_box : public script_box {
  public:
    input_box(QWidget* parent, text_view prompt);
    QLineEdit* entry;
};

} // namespace tovl
