// power_question: the boxes that ask before a script with powers runs (tovl --ask).
#pragma once

#include "host/script_boxes.h"

#include <QString>
#include <QStringList>

namespace tovl {

// What the user answered, by button; closing the box is "Don't run".
enum class power_answer { run_once, trust_version, trust_folder, dont_run };

// What the question says, in words the caller has already made.
struct power_question_texts {
    QString script_name; // the script's file name, as the question names it
    QStringList powers;  // one line each: "line 4: run programs: "backup-tool --all""
    QString origin;      // the address the script was downloaded from, or empty
};

// "Run once", "Always run this version", "Trust this folder" or "Don't run" under the script's
// name, the address it was downloaded from and its powers, a warning icon and the title "TOVL".
// Enter answers "Don't run", as a key pressed by mistake must not start the script.
class power_question : public titled_message_box {
  public:
    power_question(QWidget* parent, const power_question_texts& texts);
    // The button clicked; "Don't run" when none was.
    power_answer answer() const;

  private:
    QAbstractButton* run_once_;
    QAbstractButton* trust_version_;
    QAbstractButton* trust_folder_;
};

// The second question before trust in a downloaded script is stored: Yes or No, No by
// default. True for Yes.
class trust_confirmation : public titled_message_box {
  public:
    trust_confirmation(QWidget* parent, const power_question_texts& texts, power_answer trust);
    bool confirmed() const { return clickedButton() == button(QMessageBox::Yes); }
};

} // namespace tovl
