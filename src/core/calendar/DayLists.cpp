#include "calendar/DayLists.h"

#include "common/FileError.h"
#include "common/ProgramFolder.h"
#include "file/Cp932.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace DayLists {

namespace {

const char* const kNames[2] = {"Holiday.txt", "MarkedDays.txt"};

bool inRange(const QString& field, int low, int high, int* value = nullptr) {
    bool ok = false;
    const int v = field.trimmed().toInt(&ok);
    if (value)
        *value = v;
    return ok && v >= low && v <= high;
}

} // namespace

QString HolidayFile() {
    return ProgramFolder() + QLatin1Char('/') + QLatin1String(kNames[0]);
}

QString SpecialDayFile() {
    return ProgramFolder() + QLatin1Char('/') + QLatin1String(kNames[1]);
}

bool InstallDefaults(QString* error) {
    for (const char* name : kNames)
        if (!InstallShippedFile(QLatin1String(name),
                                QStringLiteral(":/calendar/") + QLatin1String(name), error))
            return false;
    return true;
}

bool IsWellFormed(const QString& entry) {
    const QStringList f = entry.split(QLatin1Char(','));
    const int n = int(f.size());
    if (n < 3 || n > 6)
        return false;
    int k = 0;
    if (n >= 5) {
        if (!inRange(f[0], INT32_MIN, INT32_MAX) || !inRange(f[1], INT32_MIN, INT32_MAX))
            return false;
        k = 2;
    }
    if (!inRange(f[k], 1, 12))
        return false;
    if (n - k == 3)
        return inRange(f[k + 1], 1, 31);
    return inRange(f[k + 1], 1, 5) && inRange(f[k + 2], 1, 7);
}

TReadResult Parse(const QByteArray& data) {
    QString text;
    {
        QStringDecoder utf8(QStringDecoder::Utf8);
        text = utf8.decode(data);
        if (utf8.hasError())
            text = Cp932::toUnicode(data);
    }
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    TReadResult result;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QString t = line.trimmed();
        if (t.isEmpty() || t.startsWith(QLatin1Char('#')))
            continue;
        if (IsWellFormed(t))
            result.Entries << t;
        else
            result.BadLines << i + 1;
    }
    return result;
}

TReadResult Read(const QString& path) {
    QFile file(path);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly)) {
        TReadResult r;
        r.Error = QStringLiteral("\"%1\" を読めません: %2")
                      .arg(QDir::toNativeSeparators(path), FileError::Text(file));
        return r;
    }
    // A day list is a few lines; anything huge is not one.
    const QByteArray data = file.read(1 << 20);
    return Parse(data);
}

QString DescribeBadLines(const QString& fileName, const QList<int>& lines) {
    if (lines.isEmpty())
        return QString();
    QStringList numbers;
    for (int i = 0; i < lines.size() && i < 10; ++i)
        numbers << QString::number(lines[i]);
    if (lines.size() > 10)
        numbers << QStringLiteral("…");
    return QStringLiteral("%1 の %2 行目").arg(fileName, numbers.join(QStringLiteral(", ")));
}

} // namespace DayLists
