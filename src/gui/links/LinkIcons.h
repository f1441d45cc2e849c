#pragma once

#include <QFileIconProvider>
#include <QHash>
#include <QIcon>
#include <QString>

// The icons of the link panel's lines, from the desktop's icon theme: web
// addresses and folders get icons of their own, files the icon of their type,
// looked up once per extension; ".lnk", ".exe" and files without an extension
// are asked for one by one.
class TLinkIcons {
public:
    enum Kind { Url, Folder, Extension, PerFile };
    struct Key {
        Kind kind = PerFile;
        QString extension; // lower case with its dot; Extension only
    };

    // How the icon of a target is found; absolutePath is the target read
    // against the document's folder (ignored for a web address).
    static Key Classify(const QString& target, const QString& absolutePath);

    QIcon Icon(const QString& target, const QString& absolutePath);
    int CacheSize() const { return int(m_cache.size()); }
    bool IsCached(const QString& extension) const { return m_cache.contains(extension); }

private:
    QIcon extensionIcon(const QString& extension);
    QFileIconProvider m_provider;
    QHash<QString, QIcon> m_cache;
};
