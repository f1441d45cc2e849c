// wrennote-cli calendar: the day marks and the month grid without a window.
#include "CliCommand.h"

#include "calendar/CalendarRules.h"
#include "calendar/MonthGrid.h"

#include <QRegularExpression>

namespace {

// The header of a Japanese system's calendar, Sunday first.
const char* const kWeekdayNames[7] = {"日", "月", "火", "水", "木", "金", "土"};

QString formatYear(int year) {
    const QString digits = QStringLiteral("%1").arg(qAbs(qint64(year)), 4, 10, QLatin1Char('0'));
    return year < 0 ? QLatin1Char('-') + digits : digits;
}

QString formatDate(const TJuliusDate& d) {
    return QStringLiteral("%1-%2-%3")
        .arg(formatYear(d.Year))
        .arg(d.Month, 2, 10, QLatin1Char('0'))
        .arg(d.Day, 2, 10, QLatin1Char('0'));
}

int32_t parseDay(const QString& text) {
    static const QRegularExpression re(QStringLiteral("^(-?\\d{1,7})-(\\d{1,2})-(\\d{1,2})$"));
    const QRegularExpressionMatch m = re.match(text);
    if (m.hasMatch()) {
        const int y = m.captured(1).toInt(), mo = m.captured(2).toInt(), d = m.captured(3).toInt();
        if (IsValidDate(y, mo, d))
            return DateToJulius(y, mo, d);
        throw TCliUsageError{QStringLiteral("no such day: %1").arg(text)};
    }
    throw TCliUsageError{QStringLiteral("not a date (YYYY-MM-DD): %1").arg(text)};
}

TCalendarRules mainWindowRules() {
    // The program installs no holiday or special-day entries.
    return TCalendarRules();
}

int runDays(const QString& fromText, const QString& toText) {
    const int32_t from = parseDay(fromText), to = parseDay(toText);
    if (from > to)
        throw TCliUsageError{QStringLiteral("FROM is after TO")};
    const TCalendarRules rules = mainWindowRules();
    QString out;
    for (qint64 j = from; j <= to; ++j) {
        const int32_t day = int32_t(j);
        const TJuliusDate date = JuliusToDate(day);
        const TOldDate old = OldCalendarDate(day);
        out +=
            QStringList{formatDate(date),
                        QString::number(day),
                        QString::number(JuliusDayOfWeek(day)),
                        QString::number(rules.DayFlags(date.Year, date.Month, date.Day)),
                        rules.GetDayNames(date.Year, date.Month, date.Day).join(QLatin1Char('/')),
                        QString::number(old.Month),
                        QString::number(old.Day),
                        RokuyoName(RokuyoOf(day))}
                .join(QLatin1Char('\t'));
        out += QLatin1Char('\n');
        if (out.size() > 65536) {
            CliOut(out);
            out.clear();
        }
    }
    CliOut(out);
    return 0;
}

int runMonth(const QString& text) {
    static const QRegularExpression re(QStringLiteral("^(-?\\d{1,7})-(\\d{1,2})$"));
    const QRegularExpressionMatch m = re.match(text);
    const int month = m.hasMatch() ? m.captured(2).toInt() : 0;
    if (month < 1 || month > 12)
        throw TCliUsageError{QStringLiteral("not a month (YYYY-MM): %1").arg(text)};
    const int year = m.captured(1).toInt();
    if (!IsValidDate(year, month, 1))
        throw TCliUsageError{QStringLiteral("month out of range: %1").arg(text)};

    TMonthGrid grid = TMonthGrid::MainWindow(DateToJulius(year, month, 1));
    const int rows = grid.RowCount();
    QString out = QStringLiteral("%1-%2\trows\t%3\n")
                      .arg(formatYear(year))
                      .arg(month, 2, 10, QLatin1Char('0'))
                      .arg(rows);
    QStringList header;
    for (int k = 0; k < 7; ++k)
        header.append(QString::fromUtf8(kWeekdayNames[grid.HeaderWeekday(k)]));
    out += header.join(QLatin1Char('\t')) + QLatin1Char('\n');
    for (int r = 1; r < rows; ++r) {
        QStringList cells;
        for (int k = 0; k < 7; ++k) {
            const qint64 j = grid.CellDay(k, r);
            TJuliusDate date;
            if (!CellDate(j, date))
                cells.append(QString());
            else if (grid.InMonth(j))
                cells.append(QString::number(date.Day));
            else // days of the neighbouring months, drawn tinted
                cells.append(QStringLiteral("(%1)").arg(date.Day));
        }
        out += cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    CliOut(out);
    return 0;
}

int runCalendar(const QStringList& args) {
    try {
        if (args.size() == 2 && args.at(0) == QLatin1String("--month"))
            return runMonth(args.at(1));
        if (args.size() == 2 && !args.contains(QLatin1String("--month")))
            return runDays(args.at(0), args.at(1));
    } catch (const EJuliusError& e) {
        return CliFail(QString(), e.message());
    }
    throw TCliUsageError{QStringLiteral("calendar needs FROM TO or --month YYYY-MM")};
}

const TCliRegistrar calendar(TCliCommand{
    QStringLiteral("calendar"),
    QStringLiteral("calendar FROM TO | --month YYYY-MM   (dates YYYY-MM-DD)"), runCalendar, false});

} // namespace
