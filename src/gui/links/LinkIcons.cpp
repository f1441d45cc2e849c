#include "links/LinkIcons.h"

#include "doc/DocPaths.h"

#include <QFileInfo>
#include <QMimeDatabase>

TLinkIcons::Key TLinkIcons::Classify(const QString& target, const QString& absolutePath) {
    Key key;
    if (IsUrl(target)) {
        key.kind = Url;
        return key;
    }
    const QFileInfo info(absolutePath);
    if (info.isDir()) {
        key.kind = Folder;
        return key;
    }
    const QString name = info.fileName();
    const int dot = int(name.lastIndexOf(QLatin1Char('.')));
    const QString ext = dot >= 0 ? name.mid(dot).toLower() : QString();
    if (ext.size() < 2 || ext == QLatin1String(".lnk") || ext == QLatin1String(".exe")) {
        key.kind = PerFile;
        return key;
    }
    key.kind = Extension;
    key.extension = ext;
    return key;
}

QIcon TLinkIcons::extensionIcon(const QString& extension) {
    static const QMimeDatabase db;
    const QMimeType mime =
        db.mimeTypeForFile(QStringLiteral("x") + extension, QMimeDatabase::MatchExtension);
    QIcon icon = QIcon::fromTheme(mime.iconName());
    if (icon.isNull())
        icon = QIcon::fromTheme(mime.genericIconName());
    if (icon.isNull())
        icon = m_provider.icon(QAbstractFileIconProvider::File);
    return icon;
}

QIcon TLinkIcons::Icon(const QString& target, const QString& absolutePath) {
    const Key key = Classify(target, absolutePath);
    switch (key.kind) {
    case Url: {
        QIcon icon = QIcon::fromTheme(QStringLiteral("text-html"));
        return icon.isNull() ? m_provider.icon(QAbstractFileIconProvider::Network) : icon;
    }
    case Folder:
        return m_provider.icon(QAbstractFileIconProvider::Folder);
    case Extension: {
        auto it = m_cache.constFind(key.extension);
        if (it != m_cache.constEnd())
            return *it;
        const QIcon icon = extensionIcon(key.extension);
        m_cache.insert(key.extension, icon);
        return icon;
    }
    case PerFile:
        break;
    }
    const QFileInfo info(absolutePath);
    QIcon icon = info.exists() ? m_provider.icon(info) : QIcon();
    return icon.isNull() ? m_provider.icon(QAbstractFileIconProvider::File) : icon;
}
