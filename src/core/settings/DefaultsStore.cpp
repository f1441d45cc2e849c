#include "settings/DefaultsStore.h"

#include <QDir>

QString DefaultsStorePath() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/KESTON/WrenNOTE.ini");
}

// QSettings caches the XDG folder on first use; opening the file by path keeps
// the store where the environment says at every call.
std::unique_ptr<QSettings> OpenDefaultsStore() {
    return std::make_unique<QSettings>(DefaultsStorePath(), QSettings::IniFormat);
}

namespace DefaultsStore {

qint64 parseInteger(const QString& text, bool* ok) {
    const QString t = text.trimmed();
    bool good = false;
    qint64 v = 0;
    if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        const QString digits = t.mid(2);
        // toULongLong would also take a sign; a hexadecimal value has none.
        if (!digits.isEmpty() && digits.at(0) != QLatin1Char('+') &&
            digits.at(0) != QLatin1Char('-')) {
            const qulonglong u = digits.toULongLong(&good, 16);
            if (good && u <= qulonglong(0xFFFFFFFFu))
                v = qint64(u);
            else
                good = false;
        }
    } else if (!t.isEmpty()) {
        v = t.toLongLong(&good, 10);
    }
    if (ok)
        *ok = good;
    return good ? v : 0;
}

QString readText(const QSettings& store, const QString& key) {
    if (!store.contains(key))
        return QString();
    const QVariant v = store.value(key);
    if (v.typeId() == QMetaType::QStringList)
        return v.toStringList().join(QLatin1Char(','));
    QString s = v.toString();
    if (s.isNull())
        s = QLatin1String("");
    return s;
}

} // namespace DefaultsStore
