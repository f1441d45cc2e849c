#include "CliCommand.h"

#include "common/DateFormat.h"
#include "common/DateTime.h"

#include <cmath>

namespace {

// VALUE is days since 1899-12-30 (45419.378) or an ISO date-time.
bool parseMoment(const QString& text, double& value) {
    bool ok = false;
    const double days = text.toDouble(&ok);
    if (ok && std::isfinite(days)) {
        if (!WrenDate::toDate(days).isValid())
            return false;
        value = days;
        return true;
    }
    QDateTime dt = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!dt.isValid()) {
        const QDate d = QDate::fromString(text, Qt::ISODate);
        if (d.isValid())
            dt = QDateTime(d, QTime(0, 0));
    }
    if (!dt.isValid())
        return false;
    value = WrenDate::fromDateTime(dt);
    return true;
}

int runFormatDate(const QStringList& args) {
    if (args.size() != 2)
        throw TCliUsageError{QStringLiteral("format-date needs FORMAT and VALUE")};
    double value = 0;
    if (!parseMoment(args.at(1), value))
        throw TCliUsageError{QStringLiteral("not a date value: %1").arg(args.at(1))};
    CliOut(FormatWrenDate(args.at(0), value) + QLatin1Char('\n'));
    return 0;
}

const TCliRegistrar formatDate(TCliCommand{
    QStringLiteral("format-date"),
    QStringLiteral("format-date FORMAT VALUE   (VALUE: days since 1899-12-30 or ISO date-time)"),
    runFormatDate, false});

} // namespace
