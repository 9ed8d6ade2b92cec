// Asking before a script with powers runs, and keeping the trust the user gives.
#include "app/power_consent.h"

#include "check/script_powers.h"
#include "host/main_window.h"
#include "platform/trust_store.h"

#include <QFile>
#include <QFileInfo>

#include <optional>

namespace tovl {

namespace {

QString to_qstring(text_view t) {
    return QString::fromUtf16(t.data(), static_cast<qsizetype>(t.size()));
}

} // namespace

bool may_run(main_window& window, const std::string& path, std::string_view bytes,
             text_ref script) {
    std::vector<power_use> uses = find_powers(widened(script));
    if (uses.empty()) return true;
    trust_store store = trust_store::for_user();
    if (store.trusts(bytes, path)) return true;

    power_question_texts texts;
    texts.script_name = QFileInfo(QFile::decodeName(path.c_str())).fileName();
    for (const power_use& use : uses)
        texts.powers << to_qstring(power_use_words(use));
    if (std::optional<std::string> origin = download_origin(path))
        texts.origin = QString::fromStdString(*origin);

    std::optional<std::string> not_kept;
    switch (window.ask_about_powers(texts)) {
    case power_answer::dont_run: return false;
    case power_answer::run_once: break;
    case power_answer::trust_version: not_kept = store.trust_version(bytes, path); break;
    case power_answer::trust_folder: not_kept = store.trust_folder(path); break;
    }
    if (not_kept) {
        window.show_warning(QStringLiteral("Your answer could not be kept: ") +
                            QString::fromStdString(*not_kept) +
                            QStringLiteral("\n\nThe script runs this once; TOVL will ask "
                                           "again next time."));
    }
    return window.isVisible();
}

} // namespace tovl
