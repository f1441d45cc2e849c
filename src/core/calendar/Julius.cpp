#include "calendar/Julius.h"

#include "calendar/OldCalendarTable.h"
#include "common/DateTime.h"

#include <cmath>

// The arithmetic runs in long double (80-bit on x86), the precision the
// equinox approximation was fitted with; day numbers are checked against the
// 32-bit range before they leave the unit.

namespace {

using Real = long double;

constexpr int kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
constexpr int32_t kFirstGregorianDay = 2299161; // 1582-10-15
constexpr Real kPi = 3.141592653589793238462643383279502884L;

const char* const kRokuyo[] = {"不明", "先勝", "友引", "先負", "仏滅", "大安", "赤口"};
const char* const kStems[] = {"甲", "乙", "丙", "丁", "戊", "己", "庚", "辛", "壬", "癸"};
const char* const kBranches[] = {"子", "丑", "寅", "卯", "辰", "巳",
                                 "午", "未", "申", "酉", "戌", "亥"};
const char* const kSolarTerms[] = {"春分", "清明", "穀雨", "立夏", "小満", "芒種", "夏至", "小暑",
                                   "大暑", "立秋", "処暑", "白露", "秋分", "寒路", "霜降", "立冬",
                                   "小雪", "大雪", "冬至", "小寒", "大寒", "立春", "雨水", "啓蟄"};

template <size_t N> QString nameAt(const char* const (&table)[N], int index) {
    if (index < 0 || size_t(index) >= N)
        return QString();
    return QString::fromUtf8(table[index]);
}

int32_t toDayNumber(Real value) {
    if (!(value >= Real(MinJuliusDay) && value <= Real(MaxJuliusDay)))
        throw EJuliusError(EJuliusError::outOfRangeMessage());
    return int32_t(value);
}

// The shared start of both calendars: March-based year and month, and the
// days of the whole years before it.
struct Shifted {
    Real year, month, yearDays;
};

Shifted shift(int year, int month) {
    Shifted s;
    s.year = month < 3 ? Real(year) - 1 : Real(year);
    s.month = month < 3 ? Real(month) + 12 : Real(month);
    // Years up to 0 need the floor of 365.25 y', which this gives; the test
    // is on the given year.
    s.yearDays = year > 0 ? std::trunc(365.25L * s.year) : std::trunc(365.25L * s.year - 0.75L);
    return s;
}

Real sinDegrees(Real x) {
    return std::sin(x / 180 * kPi);
}

// trunc(base + rate Y + (1e-7 Y^2 - p)) with the bracket rounded to double.
int32_t equinox(Real base, Real rate, Real y, Real p) {
    const double bracket = double(1e-7L * y * y - p);
    return toDayNumber(std::trunc(base + rate * y + Real(bracket)));
}

} // namespace

QString EJuliusError::skippedDaysMessage() {
    return QStringLiteral("1582/10/5-10/14は存在しません。");
}
QString EJuliusError::outOfRangeMessage() {
    return QStringLiteral("日付が範囲外です。");
}
QString EJuliusError::badMonthMessage() {
    return QStringLiteral("月の値が正しくありません。");
}
QString EJuliusError::oldCalendarMessage(const QString& detail) {
    return QStringLiteral("旧暦テーブル JDOLDCAL を読み込めません (%1)。").arg(detail);
}

int32_t JulianCalendarDay(int year, int month, int day) {
    const Shifted s = shift(year, month);
    return toDayNumber(std::trunc(30.6001L * (s.month + 1)) + s.yearDays + Real(day) + 1720995);
}

int32_t GregorianCalendarDay(int year, int month, int day) {
    const Shifted s = shift(year, month);
    // floor: the same as trunc from year 0 on, and right before it too.
    const Real a = std::floor(s.year / 100);
    const Real b = std::floor(a / 4);
    return toDayNumber(std::trunc(30.6001L * (s.month + 1)) + b + s.yearDays + Real(day) - a +
                       1720997);
}

int32_t DateToJulius(int year, int month, int day) {
    if (year < 1582 || (year == 1582 && (month < 10 || (month == 10 && day <= 4))))
        return JulianCalendarDay(year, month, day);
    if (year > 1582 || month > 10 || day >= 15)
        return GregorianCalendarDay(year, month, day);
    throw EJuliusError(EJuliusError::skippedDaysMessage());
}

TJuliusDate JuliusToDate(int32_t julius) {
    // floor rather than trunc: the same for every day from 4713 BC on, and
    // still right for the days before it.
    const Real j = julius;
    Real a;
    if (julius < kFirstGregorianDay) {
        a = j + 1524;
    } else {
        const Real alpha = std::floor((j - 1867216.25L) / 36524.25L);
        a = j + alpha - std::floor(alpha / 4) + 1525;
    }
    const Real b = std::floor((a - 122.1L) / 365.25L);
    const Real d = std::floor(365.25L * b);
    const Real e = std::floor((a - d) / 30.6001L);
    TJuliusDate date;
    date.Day = int(a - d - std::floor(30.6001L * e));
    date.Month = int(e < 13.5L ? e - 1 : e - 13);
    date.Year = int(date.Month > 2 ? b - 4716 : b - 4715);
    return date;
}

int JuliusDayOfWeek(int32_t julius) {
    // Mathematical remainder, so days before day 0 keep 1..7.
    const qint64 r = (qint64(julius) + 1) % 7;
    return int(r < 0 ? r + 7 : r) + 1;
}

bool IsLeapYear(int year) {
    if (year > 1581) {
        if (year % 4000 == 0)
            return false;
        if (year % 400 == 0)
            return true;
        return year % 4 == 0 && year % 100 != 0;
    }
    const qint64 r = (qint64(year) + 4712) % 4;
    return r == 0;
}

int DaysInMonth(int year, int month) {
    if (month < 1 || month > 12)
        throw EJuliusError(EJuliusError::badMonthMessage());
    return kMonthDays[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
}

bool IsValidDate(int year, int month, int day) {
    try {
        return JuliusToDate(DateToJulius(year, month, day)) == TJuliusDate{year, month, day};
    } catch (const EJuliusError&) {
        return false;
    }
}

int32_t DateTimeToJulius(double dateTime) {
    // The value counts days on one continuous scale, so its day number is
    // the epoch's plus the whole days, whichever calendar names that day.
    const QDate date = WrenDate::toDate(dateTime);
    if (!date.isValid())
        throw EJuliusError(EJuliusError::outOfRangeMessage());
    return toDayNumber(Real(date.toJulianDay()));
}

int32_t VernalEquinoxDay(int year) {
    const Real y = Real(year) - 2000;
    const Real p = 0.002L * (sinDegrees(321 - 30.37L * y) + sinDegrees(249 + 0.19L * y) +
                             sinDegrees(202 - 132.57L * y) + sinDegrees(84 - 90.37L * y)) -
                   0.00004871850323926L * y + 0.001L * sinDegrees(132 - 134.81L * y) +
                   0.005L * sinDegrees(239 - 19.34L * y);
    return equinox(2451624.683L, 365.24229L, y, p);
}

int32_t AutumnalEquinoxDay(int year) {
    const Real y = Real(year) - 2000;
    const Real p = 0.002L * (sinDegrees(485 - 30.37L * y) + sinDegrees(249 + 0.19L * y) +
                             sinDegrees(268.2L - 132.57L * y) + sinDegrees(309.2L - 90.37L * y)) +
                   0.00004871850323926L * y + 0.001L * sinDegrees(244.6L - 134.81L * y) +
                   0.005L * sinDegrees(248.6L - 19.34L * y);
    return equinox(2451811.096L, 365.24206L, y, p);
}

namespace {

bool sameMonthDay(int32_t julius, int month, int day) {
    const TJuliusDate date = JuliusToDate(julius);
    return date.Month == month && date.Day == day;
}

} // namespace

bool IsVernalEquinox(int year, int month, int day) {
    try {
        return sameMonthDay(VernalEquinoxDay(year), month, day);
    } catch (const EJuliusError&) {
        return false; // the approximation leaves the day range only for absurd years
    }
}

bool IsAutumnalEquinox(int year, int month, int day) {
    try {
        return sameMonthDay(AutumnalEquinoxDay(year), month, day);
    } catch (const EJuliusError&) {
        return false;
    }
}

TOldDate OldCalendarDate(int32_t julius) {
    return LookUpOldDate(OldCalendarTable(), julius);
}

int RokuyoOf(int32_t julius) {
    const TOldDate old = OldCalendarDate(julius);
    if (old.Month == 0)
        return 0;
    const int month = old.Month > 100 ? old.Month - 100 : old.Month;
    return (month + old.Day - 2) % 6 + 1;
}

QString RokuyoName(int index) {
    return nameAt(kRokuyo, index);
}
QString TenStemName(int index) {
    return nameAt(kStems, index);
}
QString BranchName(int index) {
    return nameAt(kBranches, index);
}
QString SolarTermName(int index) {
    return nameAt(kSolarTerms, index);
}
