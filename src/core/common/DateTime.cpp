#include "common/DateTime.h"

#include <cmath>

namespace WrenDate {

QDate epoch() {
    return QDate(1899, 12, 30);
}

double fromDate(const QDate& date) {
    return double(epoch().daysTo(date));
}

double fromDateTime(const QDateTime& dateTime) {
    const QTime t = dateTime.time();
    return fromDate(dateTime.date()) + double(t.msecsSinceStartOfDay()) / 86400000.0;
}

// Negative values keep the time as a positive fraction: -1.25 is 1899-12-29 06:00.
static void splitDayAndMs(double value, qint64& day, int& ms) {
    double whole = std::trunc(value);
    double frac = std::fabs(value - whole);
    qint64 msecs = qint64(std::llround(frac * 86400000.0));
    if (msecs >= 86400000) {
        msecs -= 86400000;
        whole += value < 0 ? -1 : 1;
    }
    day = qint64(whole);
    ms = int(msecs);
}

QDate toDate(double value) {
    if (!std::isfinite(value) || std::fabs(value) > 1.0e9)
        return QDate();
    qint64 day;
    int ms;
    splitDayAndMs(value, day, ms);
    return epoch().addDays(day);
}

int msecsOfDay(double value) {
    if (!std::isfinite(value) || std::fabs(value) > 1.0e9)
        return 0;
    qint64 day;
    int ms;
    splitDayAndMs(value, day, ms);
    return ms;
}

QDateTime toDateTime(double value) {
    const QDate d = toDate(value);
    if (!d.isValid())
        return QDateTime();
    return QDateTime(d, QTime::fromMSecsSinceStartOfDay(msecsOfDay(value)));
}

Parts split(double value) {
    Parts p;
    const QDate d = toDate(value);
    if (!d.isValid())
        return p;
    p.year = d.year();
    p.month = d.month();
    p.day = d.day();
    p.dayOfWeek = d.dayOfWeek() % 7 + 1;
    int ms = msecsOfDay(value);
    p.hour = ms / 3600000;
    ms %= 3600000;
    p.minute = ms / 60000;
    ms %= 60000;
    p.second = ms / 1000;
    p.msec = ms % 1000;
    return p;
}

} // namespace WrenDate
