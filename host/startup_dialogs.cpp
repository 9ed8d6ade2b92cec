// The file chooser and the start-up error box of the window.
#include "host/startup_dialogs.h"

#include "host/script_boxes.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QSettings>

namespace tovl {

namespace {

const QString script_mime_type = QStringLiteral("text/x-tovl");
const QString last_folder_key = QStringLiteral("chooser/last_folder");

// "*.tovl" and whatever names the desktop's MIME database gives the script type.
QString script_patterns() {
    QStringList patterns{QStringLiteral("*.tovl")};
    QMimeType type = QMimeDatabase().mimeTypeForName(script_mime_type);
    if (type.isValid()) {
        for (const QString& glob : type.globPatterns()) {
            if (!patterns.contains(glob)) patterns << glob;
        }
    }
    return patterns.join(u' ');
}

} // namespace

std::optional<std::string> choose_script() {
    QSettings settings(QStringLiteral("tovl"), QStringLiteral("tovl"));
    QString folder = settings.value(last_folder_key).toString();
    if (folder.isEmpty() || !QDir(folder).exists()) folder = QDir::currentPath();

    QFileDialog chooser(nullptr, QStringLiteral("TOVL: choose a script to run"), folder);
    chooser.setAcceptMode(QFileDialog::AcceptOpen);
    chooser.setFileMode(QFileDialog::ExistingFile);
    chooser.setNameFilters({QStringLiteral("TOVL scripts (%1)").arg(script_patterns()),
                            QStringLiteral("All files (*)")});
    if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    QString chosen = chooser.selectedFiles().constFirst();
    settings.setValue(last_folder_key, QFileInfo(chosen).absolutePath());
    QByteArray name = QFile::encodeName(chosen);
    return std::string(name.constData(), static_cast<size_t>(name.size()));
}

void show_startup_error(const QString& message) {
    titled_message_box(nullptr, message, QMessageBox::Critical).exec();
}

} // namespace tovl
