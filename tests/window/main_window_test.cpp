// The real window class under the offscreen platform: output, caption, status line and the
// boxes, which a timer answers as soon as they are open.
#include "host/main_window.h"
#include "host/output_view.h"
#include "host/power_question.h"
#include "host/script_boxes.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>
#include <QWheelEvent>

#include <chrono>
#include <functional>

using namespace tovl;

namespace {

// Calls `answer` with the script's box once one is open.
void when_box_opens(std::function<void(QDialog*)> answer) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, answer] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QDialog*>(widget);
            if (!box || !box->isVisible()) continue;
            poll->deleteLater();
            poll->stop();
            answer(box);
            return;
        }
    });
    poll->start(10);
}

// Clicks the buttons labelled `clicks` in the boxes that open one after another, and notes in
// `seen` each box's name, title and first line.
void click_in_turn(QStringList clicks, QStringList& seen) {
    when_box_opens([clicks, &seen](QDialog* box) mutable {
        auto* message = qobject_cast<QMessageBox*>(box);
        seen << box->objectName() + " " + box->windowTitle() + ": " +
                    message->text().section(u'\n', 0, 0);
        QString label = clicks.takeFirst();
        if (!clicks.isEmpty()) click_in_turn(clicks, seen);
        for (QAbstractButton* button : message->buttons())
            if (button->text() == label) button->click();
    });
}

} // namespace

// As a terminal does, the output box follows the output while its end is in view, and stays
// where the user scrolled it otherwise; the script's ftxtd brings the end back into view.
TEST(main_window, shows_the_output_as_lines_and_follows_it_while_the_end_is_in_view) {
    main_window window;
    window.show();
    EXPECT_EQ(window.windowTitle(), "TOVL");
    window.append_output(u"a\r\nb\rc\nd");
    window.append_output(u"\r");
    window.append_output(u"\ne");
    window.refresh_output();
    output_view* box = window.output_box();
    EXPECT_EQ(box->shown_text(), "a\nb\nc\nd\ne");
    QScrollBar* bar = box->verticalScrollBar();
    for (int i = 0; i < 60; ++i)
        window.append_output(u"\r\nmore");
    when_box_opens([&](QDialog* question) {
        EXPECT_EQ(box->first_visible_line() + box->page_lines(), box->line_count());
        EXPECT_GT(bar->maximum(), 0);
        EXPECT_EQ(bar->value(), bar->maximum());
        EXPECT_TRUE(bar->isVisibleTo(&window));
        EXPECT_EQ(box->caret(), 11u + 60 * 6); // after the last character
        question->reject();
    });
    window.ask(u"Go on?");
    QWheelEvent wheel({10, 10}, {10, 10}, {}, {0, 120}, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(box->viewport(), &wheel);
    size_t scrolled = box->first_visible_line();
    EXPECT_LT(scrolled + box->page_lines(), box->line_count());
    window.append_output(u"\r\nmore");
    window.refresh_output();
    EXPECT_EQ(box->first_visible_line(), scrolled);
    window.move_caret_to_end();
    window.append_output(u"\r\nmore");
    window.refresh_output();
    window.append_output(u"\r\nlast");
    window.refresh_output();
    EXPECT_EQ(box->first_visible_line() + box->page_lines(), box->line_count());
    EXPECT_EQ(box->caret(), window.output().size());
}

// A resize lays out the output box and the status line under it at once, over the window's
// whole inside, and the box shows as many lines as now fit.
TEST(main_window, the_output_box_fills_the_window_as_soon_as_it_is_resized) {
    main_window window;
    QRect status = window.findChild<QStatusBar*>()->geometry();
    EXPECT_EQ(window.output_box()->geometry().united(status), window.rect());
    window.show();
    for (int i = 0; i < 100; ++i)
        window.append_output(u"line\r\n");
    window.refresh_output();
    output_view* box = window.output_box();
    size_t lines_before = box->page_lines();
    for (QSize size : {QSize(640, 480), QSize(200, 120), QSize(800, 600)}) {
        window.resize(size);
        QCoreApplication::processEvents(); // what is already posted, without waiting
        EXPECT_EQ(window.size(), size);
        status = window.findChild<QStatusBar*>()->geometry();
        EXPECT_EQ(box->geometry().united(status), QRect(QPoint(0, 0), size));
        EXPECT_FALSE(box->geometry().intersects(status));
    }
    EXPECT_GT(box->page_lines(), lines_before);
}

// However short their text, boxes are wide enough for the window manager to show their title.
TEST(main_window, boxes_are_titled_tovl_in_full_show_plain_text_and_answer_with_the_entry) {
    main_window window;
    QStringList shown;
    for (const char16_t* message : {u"<b>hi</b>", u"x"}) {
        when_box_opens([&](QDialog* box) {
            shown << box->windowTitle() + ":" + box->findChild<QLabel*>("qt_msgbox_label")->text();
            EXPECT_EQ(static_cast<QMessageBox*>(box)->textFormat(), Qt::PlainText);
            EXPECT_GE(box->width(), title_room(*box));
            box->accept();
        });
        window.show_message(message);
    }
    EXPECT_EQ(shown, QStringList({"TOVL:<b>hi</b>", "TOVL:x"}));
    when_box_opens([](QDialog* box) {
        EXPECT_GE(box->width(), title_room(*box));
        box->findChild<QLineEdit*>()->setText(QString::fromUtf8("r\u00E9ponse"));
        box->accept();
    });
    EXPECT_EQ(window.ask(u"?"), u"r\u00E9ponse");
}

// The status line says whether the run goes on, and how it ended.
TEST(main_window, the_status_line_says_how_the_run_ended) {
    main_window finished;
    EXPECT_EQ(finished.status(), "Running\u2026");
    finished.show_finished();
    EXPECT_EQ(finished.status(), "Finished");
    main_window failed;
    QString shown;
    when_box_opens([&](QDialog* box) {
        shown = failed.status();
        box->accept();
    });
    failed.show_fatal_error(run_error(error_kind::file_not_found, 1), u"fnumv1\nssave01");
    EXPECT_EQ(shown, "Stopped at line 2 by run-time error 6: File not found");
}

// A short prompt shows whole in a label, its lines however they end. A message or prompt of
// 3000 lines opens in a box within the screen, whose text area holds it all.
TEST(main_window, boxes_fit_the_screen_whatever_their_text) {
    main_window window;
    window.show();
    QString shown;
    when_box_opens([&](QDialog* box) {
        shown = box->findChild<QLabel*>()->text();
        box->reject();
    });
    window.ask(u"First line\r\nsecond line\rthird line\nfourth, a much longer line of the prompt");
    EXPECT_EQ(shown,
              "First line\nsecond line\nthird line\nfourth, a much longer line of the prompt");

    text long_text;
    for (int i = 0; i < 3000; ++i)
        long_text += u"a line of twenty \r\n";
    long_text += u"and a last one";
    QRect screen = window.screen()->availableGeometry();
    for (bool asking : {false, true}) {
        QRect frame;
        when_box_opens([&](QDialog* box) {
            frame = box->frameGeometry();
            auto* area = box->findChild<output_view*>();
            shown = area ? area->shown_text() : QString();
            box->reject();
        });
        if (asking) {
            window.ask(long_text);
        } else {
            window.show_message(long_text);
        }
        EXPECT_TRUE(screen.contains(frame)) << asking;
        EXPECT_EQ(shown.size(), 3000 * 18 + 14) << asking;
    }
}

// Closing the window while a box is open closes the box and ends the program there.
TEST(main_window, closing_the_window_while_a_box_is_open_ends_the_program) {
    for (bool asking : {false, true}) {
        main_window window;
        window.show();
        when_box_opens([&window](QDialog* box) {
            window.close();
            // Should the box stay open, it is answered, so that the test ends.
            QTimer::singleShot(2000, box, &QDialog::reject);
        });
        if (asking) {
            EXPECT_THROW(window.ask(u"Name?"), stop_requested);
        } else {
            EXPECT_THROW(window.show_message(u"Saved."), stop_requested);
        }
    }
}

TEST(main_window, a_long_run_shows_its_output_and_ends_when_the_window_closes) {
    main_window window;
    window.show();
    window.append_output(u"first line\r\n");
    QTimer::singleShot(200, &window, [&window] { window.close(); });
    auto start = std::chrono::steady_clock::now();
    // The runner's loop: pause points until the window asks to end, for at most 5 s.
    while (!window.keep_alive() &&
           std::chrono::steady_clock::now() - start < std::chrono::seconds(5)) {
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(window.output_box()->shown_text(), "first line\n");
}

// tovl --ask: the question lists the powers one a line, each button gives its answer, and
// closing the box is "Don't run".
TEST(main_window, the_question_before_a_run_lists_the_powers_and_answers_by_its_buttons) {
    main_window window;
    window.show();
    power_question_texts texts{"x.tovl",
                               {"line 4: run programs: \"backup-tool --all\"",
                                "line 9: delete files: computed at run time"},
                               {}};
    QStringList seen;
    QString listed;
    when_box_opens([&listed](QDialog* box) {
        listed = static_cast<QMessageBox*>(box)->text();
        box->close();
    });
    EXPECT_EQ(window.ask_about_powers(texts), power_answer::dont_run);
    EXPECT_EQ(listed, "x.tovl can change your computer when it runs:\n" + texts.powers.join('\n'));
    const std::pair<const char*, power_answer> buttons[] = {
        {"&Run once", power_answer::run_once},
        {"&Always run this version", power_answer::trust_version},
        {"&Trust this folder", power_answer::trust_folder},
        {"&Don't run", power_answer::dont_run}};
    for (auto [label, answer] : buttons) {
        click_in_turn({label}, seen);
        EXPECT_EQ(window.ask_about_powers(texts), answer) << label;
    }
    EXPECT_EQ(seen, QStringList(4, "power_question TOVL: x.tovl can change your computer when "
                                   "it runs:"));
    // Twenty lines show as fourteen and how many more, each on one line whatever it holds.
    texts.powers = QStringList(20, "line 2: write files: \"a\nb\"");
    when_box_opens([&listed](QDialog* box) {
        listed = static_cast<QMessageBox*>(box)->text();
        box->close();
    });
    window.ask_about_powers(texts);
    EXPECT_EQ(listed.count('\n'), 15);
    EXPECT_TRUE(listed.endsWith("\"a\u240Ab\"\nand 6 more lines (tovl-console --powers lists "
                                "them all)"));
}

// A downloaded script's question names its address; trusting it takes a Yes in a second box,
// and No there asks the question again. Running it once takes no second box.
TEST(main_window, trusting_a_downloaded_script_takes_a_second_yes) {
    main_window window;
    window.show();
    power_question_texts texts{
        "x.tovl", {"line 1: shut the computer down: \"0\""}, "https://example.com/x.tovl"};
    QStringList seen;
    click_in_turn({"&Run once"}, seen);
    EXPECT_EQ(window.ask_about_powers(texts), power_answer::run_once);
    click_in_turn({"&Trust this folder", "&No", "&Always run this version", "&Yes"}, seen);
    EXPECT_EQ(window.ask_about_powers(texts), power_answer::trust_version);
    QString question =
        "power_question TOVL: x.tovl was downloaded from https://example.com/x.tovl.";
    QString confirmation = "trust_confirmation TOVL: x.tovl was downloaded from "
                           "https://example.com/x.tovl.";
    EXPECT_EQ(seen, QStringList({question, question, confirmation, question, confirmation}));
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
