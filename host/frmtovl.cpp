// The Qt window: output box, layout timer, caption and the modal boxes titled "TOVL".
#include "host/frmtovl.h"

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
constexpr float twipsperpixel = 15.0f;
constexpr int designwidth = 6135;  // client area, twips
constexpr int designheight = 3975; // client area, twips
const QString applicationtitle = QStringLiteral("TOVL");

int pixels(float twips) { return static_cast<int>(std::lround(twips / twipsperpixel)); }

QString qtext(textview t) { return QString::fromUtf16(t.data(), static_cast<qsizetype>(t.size())); }

text fromqt(const QString& s) { return text(reinterpret_cast<const char16_t*>(s.utf16()), s.size()); }

// How output shows on screen: a CR LF pair, a lone CR and a lone LF each start a new line.
// `after` is the character before `t` in the output, so that a pair split over two prints
// still counts once.
QString displaytext(textview t, char16_t after) {
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
int documentposition(const text& output, int32_t p) {
    int position = 0;
    for (int32_t i = 0; i < p; ++i) {
        if (output[i] == u'\n' && i > 0 && output[i - 1] == u'\r') continue;
        ++position;
    }
    return position;
}

// The one-line input box: a plain-text prompt, an empty entry field, OK and Cancel.
class inputbox : public QDialog {
public:
    inputbox(QWidget* parent, const QString& prompt) : QDialog(parent) {
        setWindowTitle(applicationtitle);
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

void showplainbox(QWidget* parent, const QString& message, QMessageBox::Icon icon) {
    QMessageBox box(parent);
    box.setWindowTitle(applicationtitle);
    box.setTextFormat(Qt::PlainText);
    box.setText(message);
    box.setIcon(icon);
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

} // namespace

frmtovl::frmtovl() {
    setWindowTitle(applicationtitle);
    setWindowIcon(QIcon(QStringLiteral(":/tovl.png")));
    resize(pixels(designwidth), pixels(designheight));

    sizeingtimer = new QTimer(this);
    sizeingtimer->setInterval(100);
    connect(sizeingtimer, &QTimer::timeout, this, &frmtovl::sizeingtimer_Timer);
    sizeingtimer->start();

    outtxt = new QPlainTextEdit(this);
    outtxt->setGeometry(0, 0, pixels(designwidth), pixels(designheight));
    outtxt->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    outtxt->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Read-only to the user, yet selectable so that output can be copied.
    outtxt->setReadOnly(true);
    outtxt->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    outtxt->setFocusPolicy(Qt::StrongFocus);
    setFocusProxy(outtxt);
    outtxt->setFocus();
}

frmtovl::~frmtovl() = default;

void frmtovl::showwindow() {
    refreshoutput();
    show();
}

void frmtovl::setouttext(const text& newoutput) {
    output = newoutput;
    shown = -1;
    caret = 0;
}

void frmtovl::appendouttext(textview more) {
    output += more;
    caret = 0;
}

void frmtovl::setoutcaret(int32_t position) { caret = position; }

void frmtovl::refreshoutput() {
    if (shown < 0) {
        outtxt->setPlainText(displaytext(output, 0));
    } else if (static_cast<size_t>(shown) < output.size()) {
        char16_t before = shown > 0 ? output[shown - 1] : 0;
        QTextCursor end(outtxt->document());
        end.movePosition(QTextCursor::End);
        end.insertText(displaytext(textview(output).substr(shown), before));
    }
    shown = static_cast<ptrdiff_t>(output.size());

    QTextCursor cursor(outtxt->document());
    cursor.setPosition(documentposition(output, caret));
    outtxt->setTextCursor(cursor);
    if (caret == 0) {
        outtxt->verticalScrollBar()->setValue(0);
        outtxt->horizontalScrollBar()->setValue(0);
    } else {
        outtxt->ensureCursorVisible();
    }
}

// A "[*]" in a window title is Qt's marker for unsaved changes; doubling it shows it as typed.
void frmtovl::setcaption(const text& caption) {
    setWindowTitle(qtext(caption).replace(QStringLiteral("[*]"), QStringLiteral("[*][*]")));
}

void frmtovl::showmessage(const text& message) {
    refreshoutput();
    showplainbox(this, qtext(message), QMessageBox::NoIcon);
}

text frmtovl::askinput(const text& prompt) {
    refreshoutput();
    inputbox box(this, qtext(prompt));
    if (box.exec() != QDialog::Accepted) return {};
    return fromqt(box.entry->text());
}

twipsize frmtovl::outersize() {
    QRect frame = frameGeometry();
    return {static_cast<float>(frame.width()) * twipsperpixel,
            static_cast<float>(frame.height()) * twipsperpixel};
}

// Sets top, left, height and width in that order from the outer size less fixed allowances.
// A negative size is rejected, which ends the tick with the later steps skipped.
void frmtovl::sizeingtimer_Timer() {
    outtxt->move(outtxt->x(), 0);
    outtxt->move(0, outtxt->y());
    float height = outersize().height - 400.0f;
    if (!(height >= 0)) return;
    outtxt->resize(outtxt->width(), pixels(height));
    float width = outersize().width - 120.0f;
    if (!(width >= 0)) return;
    outtxt->resize(pixels(width), outtxt->height());
}

void frmtovl::showfatalreport(const text& report) {
    refreshoutput();
    showplainbox(isVisible() ? this : nullptr, qtext(report), QMessageBox::Critical);
}

} // namespace tovl
