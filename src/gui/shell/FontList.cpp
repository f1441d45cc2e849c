#include "shell/FontList.h"

#include "file/Cp932.h"

#include <QCollator>
#include <QFontDatabase>
#include <QLocale>
#include <QSet>

#include <algorithm>

QStringList SortAndTrimFontNames(QStringList names) {
    QCollator collator{QLocale(QLocale::Japanese, QLocale::Japan)};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(names.begin(), names.end(), [&collator](const QString& a, const QString& b) {
        return collator.compare(a, b) < 0;
    });
    int drop = 0;
    while (drop < names.size()) {
        const QByteArray bytes = Cp932::fromUnicode(names.at(drop).left(1));
        if (!bytes.isEmpty() && uchar(bytes.at(0)) > 64)
            break;
        ++drop;
    }
    return names.mid(drop);
}

QStringList PlainFamilyNames(const QStringList& families) {
    // "Family [Foundry]" names the same face once per foundry; users know it
    // by its family alone.
    QStringList names;
    QSet<QString> seen;
    for (const QString& f : families) {
        QString name = f;
        if (name.endsWith(QLatin1Char(']'))) {
            const qsizetype open = name.lastIndexOf(QLatin1String(" ["));
            if (open > 0)
                name.truncate(open);
        }
        if (!seen.contains(name)) {
            seen.insert(name);
            names << name;
        }
    }
    return names;
}

const QStringList& InstalledFonts() {
    static const QStringList fonts =
        SortAndTrimFontNames(PlainFamilyNames(QFontDatabase::families()));
    return fonts;
}

int FontCharset(const QString& family) {
    // Any installed family counts, by its plain name or with its foundry.
    static const QStringList plain = PlainFamilyNames(QFontDatabase::families());
    const QString name = PlainFamilyNames({family}).value(0);
    if (!plain.contains(name))
        return 128;
    return QFontDatabase::writingSystems(family).contains(QFontDatabase::Japanese) ? 128 : 0;
}
