#include "doc/SyncCopies.h"

#include "doc/DocPaths.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace SyncCopies {

QString OursLabel() {
    return QStringLiteral("このコンピューターの変更");
}

QString TheirsLabel() {
    return QStringLiteral("上書きされた版");
}

QString EarlierAutoSaveLabel() {
    return QStringLiteral("前回の自動保存");
}

bool IsConflictCopyOf(const QString& fileName, const QString& docPath) {
    const QString base = QRegularExpression::escape(NameWithoutExt(docPath));
    const QString ext = QRegularExpression::escape(ExtOf(docPath));
    if (ext.isEmpty() || fileName == FileNameOf(docPath))
        return false;
    static const QString forms[] = {
        // Syncthing
        QStringLiteral("%1\\.sync-conflict-\\d{8}-\\d{6}(-[0-9A-Z]+)?%2"),
        // Dropbox, Nextcloud and the like
        QStringLiteral("%1 \\([^()]*conflicted copy[^()]*\\)%2"),
        // ownCloud
        QStringLiteral("%1_conflict-\\d{8}-\\d{6}%2"),
    };
    for (const QString& form : forms) {
        const QRegularExpression re(QRegularExpression::anchoredPattern(form.arg(base, ext)),
                                    QRegularExpression::CaseInsensitiveOption);
        if (re.match(fileName).hasMatch())
            return true;
    }
    return false;
}

QStringList ConflictCopiesOf(const QString& docPath) {
    const QString folder = FolderOf(docPath);
    if (folder.isEmpty())
        return {};
    const QDir dir(folder);
    QFileInfoList found;
    const QString pattern = NameWithoutExt(docPath) + QLatin1Char('*');
    for (const QFileInfo& info :
         dir.entryInfoList({pattern}, QDir::Files | QDir::Hidden, QDir::Unsorted))
        if (IsConflictCopyOf(info.fileName(), docPath))
            found << info;
    std::sort(found.begin(), found.end(), [](const QFileInfo& a, const QFileInfo& b) {
        return a.lastModified() > b.lastModified();
    });
    QStringList paths;
    for (const QFileInfo& info : found)
        paths << info.filePath();
    return paths;
}

QString KeptCopyName(const QString& docPath, const QString& label, const QDateTime& when) {
    const QString folder = FolderOf(docPath);
    const QString stem = (folder.isEmpty() ? QString() : folder + QLatin1Char('/')) +
                         NameWithoutExt(docPath) + QStringLiteral(" (") + label + QLatin1Char(' ') +
                         when.toString(QStringLiteral("yyyy-MM-dd HHmm"));
    const QString ext = ExtOf(docPath).isEmpty() ? QStringLiteral(".wrn") : ExtOf(docPath);
    QString name = stem + QLatin1Char(')') + ext;
    for (int n = 2; QFileInfo::exists(name) || QFileInfo(name).isSymLink(); ++n)
        name = stem + QLatin1Char(' ') + QString::number(n) + QLatin1Char(')') + ext;
    return name;
}

} // namespace SyncCopies
