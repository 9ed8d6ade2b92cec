// The real window class under the offscreen platform: output, caption and the modal boxes,
// which a timer answers as soon as they are open.
#include "host/main_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTimer>

#include <functional>

using namespace tovl;

namespace {

// Calls `answer` with the modal box once one is open.
void when_modal_opens(std::function<void(QWidget*)> answer) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, answer] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            poll->deleteLater();
            poll->stop();
            answer(box);
        }
    });
    poll->start(10);
}

} // namespace

TEST(main_window, shows_the_output_as_lines_with_the_caret_where_the_script_put_it) {
    main_window window;
    EXPECT_EQ(window.windowTitle(), "TOVL");
    window.append_output(u"a\r\nb\rc\nd");
    window.append_output(u"\r");
    window.append_output(u"\ne");
    window.refresh_output();
    EXPECT_EQ(window.output_box()->toPlainText(), "a\nb\nc\nd\ne");
    EXPECT_EQ(window.output_box()->textCursor().position(), 0);
    window.move_caret_to_end();
    window.refresh_output();
    EXPECT_EQ(window.output_box()->textCursor().position(), 9);
}

TEST(main_window, boxes_are_titled_tovl_show_plain_text_and_answer_with_the_entry) {
    main_window window;
    QString shown;
    when_modal_opens([&](QWidget* box) {
        shown = box->windowTitle() + ":" + box->findChild<QLabel*>("qt_msgbox_label")->text();
        EXPECT_EQ(static_cast<QMessageBox*>(box)->textFormat(), Qt::PlainText);
        static_cast<QDialog*>(box)->accept();
    });
    window.show_message(u"<b>hi</b>");
    EXPECT_EQ(shown, "TOVL:<b>hi</b>");
    when_modal_opens([](QWidget* box) {
        box->findChild<QLineEdit*>()->setText(QString::fromUtf8("r\u00E9ponse"));
        static_cast<QDialog*>(box)->accept();
    });
    EXPECT_EQ(window.ask(u"Name?"), u"r\u00E9ponse");
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
