// The real window class under the offscreen platform: window operations, the layout tick,
// the modal boxes (driven by a timer that answers them) and the fatal report.
#include "host/frmtovl.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>

#include <functional>

using namespace tovl;

namespace {

// Calls `answer` with the modal box as soon as one is open.
void whenmodalopens(std::function<void(QWidget*)> answer) {
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, answer] {
        QWidget* box = QApplication::activeModalWidget();
        if (!box) return;
        poll->stop();
        poll->deleteLater();
        answer(box);
    });
    poll->start();
}

QString labeltext(QWidget* box) {
    QString all;
    for (QLabel* label : box->findChildren<QLabel*>()) {
        if (!label->text().isEmpty()) all += label->text();
    }
    return all;
}

text lines(int count) {
    text out;
    for (int i = 0; i < count; ++i) out += u"line\r\n";
    return out;
}

} // namespace

TEST(window, keepsthetextsexactlyandstartsasdesigned) {
    frmtovl window;
    EXPECT_EQ(window.windowTitle(), "TOVL");
    EXPECT_FALSE(window.windowIcon().isNull());
    EXPECT_EQ(window.size(), QSize(409, 265)); // 6135 x 3975 twips
    EXPECT_EQ(window.outputbox()->geometry(), QRect(0, 0, 409, 265));
    EXPECT_EQ(window.getintext(), u"");
    text script = u"fnumv1\r\n\"quoted\"\r\n  lone\rcr\nlf\r\n";
    window.setintext(script);
    EXPECT_EQ(window.getintext(), script);
    window.setouttext(u"a\r\nb");
    window.appendouttext(u"\r");
    window.appendouttext(u"\nc");
    EXPECT_EQ(window.getouttext(), u"a\r\nb\r\nc");
    EXPECT_EQ(window.outtextlength(), 7);
    window.refreshoutput();
    EXPECT_EQ(window.outputbox()->toPlainText(), "a\nb\nc"); // the split pair is one break
    EXPECT_TRUE(window.outputbox()->isReadOnly());
    EXPECT_TRUE(window.outputbox()->textInteractionFlags() & Qt::TextSelectableByMouse);
}

TEST(window, printsshowthefirstlineandftxtdshowstheend) {
    frmtovl window;
    window.showwindow();
    window.setouttext(lines(200));
    window.setoutcaret(window.outtextlength());
    window.refreshoutput();
    QScrollBar* bar = window.outputbox()->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    EXPECT_EQ(window.outputbox()->textCursor().position(), 200 * 5);
    EXPECT_EQ(bar->value(), bar->maximum());
    window.appendouttext(u"more");
    window.refreshoutput();
    EXPECT_EQ(window.outputbox()->textCursor().position(), 0);
    EXPECT_FALSE(window.outputbox()->textCursor().hasSelection());
    EXPECT_EQ(bar->value(), 0);
    // A caret inside a CR LF pair maps to the start of the next line.
    window.setouttext(u"ab\r\ncd");
    window.setoutcaret(3);
    window.refreshoutput();
    EXPECT_EQ(window.outputbox()->textCursor().position(), 3);
}

TEST(window, deferredprintsgivethesamedocumentasawholereset) {
    frmtovl incremental;
    frmtovl reset;
    text all;
    for (const char16_t* piece : {u"x", u"\r", u"\n", u"\r\n", u"y\n", u"z\r", u"\r", u"w"}) {
        incremental.appendouttext(piece);
        incremental.refreshoutput();
        all += piece;
    }
    reset.setouttext(all);
    reset.refreshoutput();
    EXPECT_EQ(incremental.getouttext(), all);
    EXPECT_EQ(incremental.outputbox()->toPlainText(), reset.outputbox()->toPlainText());
    EXPECT_EQ(incremental.outputbox()->document()->blockCount(), 6);
}

TEST(window, captionandoutersizeintwips) {
    frmtovl window;
    window.setcaption(u"Sales [*] 2026 <b>");
    EXPECT_EQ(window.windowTitle(), "Sales [*][*] 2026 <b>"); // shown as typed
    window.setcaption(u"");
    EXPECT_EQ(window.windowTitle(), "");
    window.resize(300, 200);
    twipsize outer = window.outersize();
    EXPECT_EQ(outer.width, window.frameGeometry().width() * 15.0f);
    EXPECT_EQ(outer.height, window.frameGeometry().height() * 15.0f);
}

TEST(layouttick, sizestheoutputboxfromtheoutersize) {
    frmtovl window;
    QPlainTextEdit* box = window.outputbox();
    box->setGeometry(5, 7, 50, 60);
    window.sizeingtimer_Timer();
    int outerw = window.frameGeometry().width();
    int outerh = window.frameGeometry().height();
    EXPECT_EQ(box->pos(), QPoint(0, 0));
    EXPECT_EQ(box->height(), qRound((outerh * 15.0f - 400.0f) / 15.0f));
    EXPECT_EQ(box->width(), qRound((outerw * 15.0f - 120.0f) / 15.0f));
}

TEST(layouttick, anegativeheightendsthetickbeforeheightandwidth) {
    frmtovl window;
    window.resize(300, 20); // 300 twips high: below the 400 allowance
    QPlainTextEdit* box = window.outputbox();
    box->setGeometry(5, 7, 50, 60);
    window.sizeingtimer_Timer();
    EXPECT_EQ(box->geometry(), QRect(0, 0, 50, 60));
}

TEST(layouttick, anegativewidthendsthetickbeforethewidth) {
    frmtovl window;
    window.resize(5, 200); // 75 twips wide: below the 120 allowance
    QPlainTextEdit* box = window.outputbox();
    box->setGeometry(5, 7, 50, 60);
    window.sizeingtimer_Timer();
    EXPECT_EQ(box->pos(), QPoint(0, 0));
    EXPECT_EQ(box->height(), qRound((window.frameGeometry().height() * 15.0f - 400.0f) / 15.0f));
    EXPECT_EQ(box->width(), 50);
}

TEST(dialogs, themessageboxshowsmarkupasplaintextwithokonly) {
    frmtovl window;
    window.showwindow();
    window.setouttext(u"printed before");
    QString title, shown;
    int buttons = -1;
    bool iconless = false;
    QString document;
    whenmodalopens([&](QWidget* box) {
        title = box->windowTitle();
        shown = labeltext(box);
        auto* message = qobject_cast<QMessageBox*>(box);
        ASSERT_NE(message, nullptr);
        buttons = static_cast<int>(message->buttons().size());
        iconless = message->icon() == QMessageBox::NoIcon;
        document = window.outputbox()->toPlainText(); // shown while the box is up
        message->button(QMessageBox::Ok)->click();
    });
    window.showmessage(u"<b>hi</b> & <img src=x>");
    EXPECT_EQ(title, "TOVL");
    EXPECT_EQ(shown, "<b>hi</b> & <img src=x>");
    EXPECT_EQ(buttons, 1);
    EXPECT_TRUE(iconless);
    EXPECT_EQ(document, "printed before");
}

TEST(dialogs, theinputboxgivestheentryonokandnothingoncancel) {
    frmtovl window;
    window.showwindow();
    QString title, prompt;
    whenmodalopens([&](QWidget* box) {
        title = box->windowTitle();
        prompt = labeltext(box);
        QLineEdit* entry = box->findChild<QLineEdit*>();
        EXPECT_TRUE(entry->text().isEmpty());
        entry->setText(QString::fromUtf8("Zoë <i>"));
        box->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    EXPECT_EQ(window.askinput(u"Name & <u>age</u>?"), u"Zo\u00EB <i>");
    EXPECT_EQ(title, "TOVL");
    EXPECT_EQ(prompt, "Name & <u>age</u>?");

    whenmodalopens([](QWidget* box) {
        box->findChild<QLineEdit*>()->setText("typed, then cancelled");
        box->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
    });
    EXPECT_EQ(window.askinput(u"again"), u"");
    whenmodalopens([](QWidget* box) { qobject_cast<QDialog*>(box)->reject(); }); // closed
    EXPECT_EQ(window.askinput(u"once more"), u"");
}

TEST(dialogs, thefatalreportisamodalboxtitledtovl) {
    frmtovl window;
    window.showwindow();
    QString title, shown;
    whenmodalopens([&](QWidget* box) {
        title = box->windowTitle();
        shown = labeltext(box);
        qobject_cast<QMessageBox*>(box)->button(QMessageBox::Ok)->click();
    });
    window.showfatalreport(u"Run-time error 4: Subscript out of range\nline 3: fprnt9");
    EXPECT_EQ(title, "TOVL");
    EXPECT_TRUE(shown.contains("line 3: fprnt9"));
}

int main(int argc, char** argv) {
    // No display is needed: the tests run on the offscreen platform unless told otherwise.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
