#include "calendar/OldCalendarTable.h"

#include <QFile>

#include <algorithm>

namespace {

const char kResourcePath[] = ":/calendar/JDOLDCAL";

// Decimal digits only, no sign; false when empty or beyond the limit.
bool parseNumber(const QByteArray& text, qint64 limit, qint64& value) {
    if (text.isEmpty() || text.size() > 10)
        return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    return value <= limit;
}

bool isValidMonth(qint64 month) {
    return (month >= 1 && month <= 12) || (month >= 101 && month <= 112);
}

QString lineError(int line, const QString& what) {
    return EJuliusError::oldCalendarMessage(QStringLiteral("%1 行目: %2").arg(line).arg(what));
}

} // namespace

std::vector<TOldMonthStart> ParseOldCalendarTable(const QByteArray& data) {
    std::vector<TOldMonthStart> table;
    const QList<QByteArray> lines = data.split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        if (i == lines.size() - 1 && line.isEmpty())
            break; // after the last line end
        if (line.endsWith('\r'))
            line.chop(1);
        const int number = i + 1;
        const qsizetype comma = line.indexOf(',');
        qint64 julius = 0, month = 0;
        if (comma < 0 || !parseNumber(line.left(comma), MaxJuliusDay, julius) ||
            !parseNumber(line.mid(comma + 1), 999, month))
            throw EJuliusError(lineError(number, QStringLiteral("書式が正しくありません")));
        if (!isValidMonth(month))
            throw EJuliusError(lineError(number, QStringLiteral("月の値が正しくありません")));
        if (!table.empty()) {
            const qint64 length = julius - table.back().Julius;
            if (length != 29 && length != 30)
                throw EJuliusError(
                    lineError(number, QStringLiteral("前の月が %1 日になります").arg(length)));
        }
        table.push_back({int32_t(julius), int(month)});
    }
    if (table.size() < 2)
        throw EJuliusError(EJuliusError::oldCalendarMessage(QStringLiteral("月の行が足りません")));
    return table;
}

const std::vector<TOldMonthStart>& OldCalendarTable() {
    // A throw leaves the static uninitialised, so a later call tries again
    // and reports the same fault instead of answering from an empty table.
    static const std::vector<TOldMonthStart> table = [] {
        QFile file(QString::fromLatin1(kResourcePath));
        if (!file.open(QIODevice::ReadOnly))
            throw EJuliusError(
                EJuliusError::oldCalendarMessage(QStringLiteral("リソースがありません")));
        return ParseOldCalendarTable(file.readAll());
    }();
    return table;
}

TOldDate LookUpOldDate(const std::vector<TOldMonthStart>& table, int32_t julius) {
    if (table.size() < 2 || julius < table.front().Julius || julius >= table.back().Julius)
        return {};
    const auto next =
        std::upper_bound(table.begin() + 1, table.end(), julius,
                         [](int32_t j, const TOldMonthStart& start) { return j < start.Julius; });
    const TOldMonthStart& start = *(next - 1);
    return {start.Month, julius - start.Julius + 1};
}
