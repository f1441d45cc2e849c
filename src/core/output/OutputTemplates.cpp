#include "output/OutputTemplates.h"

#include "common/ProgramFolder.h"

#include <QDir>
#include <QFile>

static void initTemplateResources() {
    Q_INIT_RESOURCE(output_templates);
}

namespace OutputTemplates {

namespace {

const QString kResourceFolder = QStringLiteral(":/output/");

} // namespace

QString Folder() {
    return ProgramFolder() + QStringLiteral("/Output");
}

QStringList Files(TTemplateKind kind) {
    const QString pattern =
        kind == TTemplateKind::Rtf ? QStringLiteral("*.rtf") : QStringLiteral("*.txt");
    return QDir(Folder()).entryList({pattern}, QDir::Files | QDir::Readable, QDir::Name);
}

QStringList DefaultNames() {
    initTemplateResources();
    return QDir(kResourceFolder).entryList(QDir::Files, QDir::Name);
}

bool InstallDefaults(QString* error) {
    if (!Files(TTemplateKind::Text).isEmpty() || !Files(TTemplateKind::Rtf).isEmpty())
        return true;
    const QString folder = Folder();
    if (!QDir().mkpath(folder)) {
        if (error)
            *error = QStringLiteral("フォルダー \"%1\" を作成できません。").arg(folder);
        return false;
    }
    for (const QString& name : DefaultNames())
        if (!InstallShippedFile(QStringLiteral("Output/") + name, kResourceFolder + name, error))
            return false;
    return true;
}

} // namespace OutputTemplates
