// The question before a script with powers runs, and the second one for a downloaded script.
#include "host/power_question.h"

#include <QPushButton>

namespace tovl {

namespace {

// A box that lists more powers than this shows as many less one, and how many more there are,
// so that it fits the screen.
constexpr qsizetype listed_powers = 15;

// A power's line as the box shows it: a control character that the script's text holds, such
// as a line feed inside an operand, shows as its picture (U+2400 and on), so that every power
// keeps one line.
QString shown_power(QString line) {
    for (QChar& c : line) {
        if (c.unicode() < 0x20) c = QChar(0x2400 + c.unicode());
        if (c.unicode() == 0x7f) c = QChar(0x2421);
    }
    return line;
}

QString downloaded_from(const power_question_texts& texts) {
    return QStringLiteral("%1 was downloaded from %2.").arg(texts.script_name, texts.origin);
}

} // namespace

power_question::power_question(QWidget* parent, const power_question_texts& texts)
    : titled_message_box(parent, QString(), QMessageBox::Warning) {
    setObjectName(QStringLiteral("power_question"));
    QStringList lines;
    if (!texts.origin.isEmpty()) lines << downloaded_from(texts) << QString();
    lines << QStringLiteral("%1 can change your computer when it runs:").arg(texts.script_name);
    qsizetype shown = texts.powers.size() > listed_powers ? listed_powers - 1 : listed_powers;
    for (const QString& power : texts.powers.mid(0, shown))
        lines << shown_power(power);
    if (texts.powers.size() > shown)
        lines << QStringLiteral("and %1 more lines (tovl-console --powers lists them all)")
                     .arg(texts.powers.size() - shown);
    setText(lines.join(u'\n'));
    setInformativeText(QStringLiteral("Run it only if you trust it and where it comes from."));
    setStandardButtons(QMessageBox::NoButton);
    run_once_ = addButton(QStringLiteral("&Run once"), QMessageBox::AcceptRole);
    trust_version_ = addButton(QStringLiteral("&Always run this version"), QMessageBox::ActionRole);
    trust_folder_ = addButton(QStringLiteral("&Trust this folder"), QMessageBox::ActionRole);
    QPushButton* dont_run = addButton(QStringLiteral("&Don't run"), QMessageBox::RejectRole);
    setDefaultButton(dont_run);
    setEscapeButton(dont_run);
}

power_answer power_question::answer() const {
    if (clickedButton() == run_once_) return power_answer::run_once;
    if (clickedButton() == trust_version_) return power_answer::trust_version;
    if (clickedButton() == trust_folder_) return power_answer::trust_folder;
    return power_answer::dont_run;
}

trust_confirmation::trust_confirmation(QWidget* parent, const power_question_texts& texts,
                                       power_answer trust)
    : titled_message_box(parent, downloaded_from(texts), QMessageBox::Question) {
    setObjectName(QStringLiteral("trust_confirmation"));
    setInformativeText(trust == power_answer::trust_folder
                           ? QStringLiteral("Run every script in its folder, and in the folders "
                                            "below it, without asking?")
                           : QStringLiteral("Run this version of it without asking, "
                                            "whenever it is started?"));
    setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    setDefaultButton(QMessageBox::No);
}

} // namespace tovl
