#include "shell/FontList.h"

#include "file/Cp932.h"

#include <QCollator>
#include <QFontDatabase>
#include <QLocale>

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

const QStringList& InstalledFonts() {
    static const QStringList fonts = SortAndTrimFontNames(QFontDatabase::families());
    return fonts;
}

int FontCharset(const QString& family) {
    if (!QFontDatabase::families().contains(family))
        return 128;
    return QFontDatabase::writingSystems(family).contains(QFontDatabase::Japanese) ? 128 : 0;
}
