// frmtovl: the TOVL window, a Qt widget that implements the window operations.
#pragma once

#include "host/hostwindow.h"

#include <QWidget>

class QPlainTextEdit;
class QTimer;

namespace tovl {

// The window keeps the script and the output as exact texts (CR LF included) and shows the
// output in `outtxt`. Runs are synchronous and nothing repaints during them, so the output
// box's document is brought up to date only where the window can be seen: before a modal box
// and when the run yields (refreshoutput). What the user sees is the same as with an update
// on every print.
class frmtovl : public QWidget, public hostwindow {
    Q_OBJECT
public:
    frmtovl();
    ~frmtovl() override;
    frmtovl(const frmtovl&) = delete;
    frmtovl& operator=(const frmtovl&) = delete;

    void setintext(const text& script) override { intxt = script; }
    text getintext() override { return intxt; }
    void showwindow() override;
    text getouttext() override { return output; }
    void setouttext(const text& newoutput) override;
    void appendouttext(textview more) override;
    int32_t outtextlength() override { return static_cast<int32_t>(output.size()); }
    void setoutcaret(int32_t position) override;
    void setcaption(const text& caption) override;
    void showmessage(const text& message) override;
    text askinput(const text& prompt) override;
    twipsize outersize() override;

    // Brings the output box's document, caret and view up to date with the output text.
    void refreshoutput();
    // The layout tick: every 100 ms the output box is laid out from the window's outer size.
    void sizeingtimer_Timer();
    // The report of an error that nothing caught, in a modal box.
    void showfatalreport(const text& report);

    QPlainTextEdit* outputbox() const { return outtxt; }

private:
    QTimer* sizeingtimer;
    QPlainTextEdit* outtxt;
    // The hidden script box: nothing ever shows it, so it is kept as the exact text alone.
    text intxt;
    text output;
    // How much of `output` the document shows; -1 when the document must be rebuilt.
    ptrdiff_t shown = 0;
    int32_t caret = 0;
};

} // namespace tovl
