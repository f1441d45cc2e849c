#include "common/DateFormat.h"

#include "common/DateTime.h"

#include <cmath>

namespace {

// The system forms, Japanese whatever the environment's locale.
const QString kShortDate = QStringLiteral("yyyy/mm/dd");
const QString kLongDate = QStringLiteral("yyyy\"年\"m\"月\"d\"日\"");
const QString kShortTime = QStringLiteral("h:nn");
const QString kLongTime = QStringLiteral("h:nn:ss");
const QString kAm = QStringLiteral("午前");
const QString kPm = QStringLiteral("午後");
const QChar kDateSeparator = QLatin1Char('/');
const QChar kTimeSeparator = QLatin1Char(':');

const char16_t kShortDayNames[7] = {u'日', u'月', u'火', u'水', u'木', u'金', u'土'};

struct Era {
    int year, month, day;
    const char16_t* name;
};

// Each era from its first day.
const Era kEras[] = {
    {1868, 1, 1, u"明治"}, {1912, 7, 30, u"大正"}, {1926, 12, 25, u"昭和"},
    {1989, 1, 8, u"平成"}, {2019, 5, 1, u"令和"},
};

QChar upper(QChar c) {
    const char16_t u = c.unicode();
    return u >= u'a' && u <= u'z' ? QChar(char16_t(u - 32)) : c;
}

bool startsWithNoCase(const QString& s, int at, const char* what) {
    return QStringView(s).mid(at).startsWith(QLatin1String(what), Qt::CaseInsensitive);
}

class Formatter {
public:
    Formatter(const WrenDate::Parts& parts, int msOfDay) : p(parts), m_msOfDay(msOfDay) {
        const int ymd = p.year * 10000 + p.month * 100 + p.day;
        for (const Era& e : kEras) {
            if (ymd >= e.year * 10000 + e.month * 100 + e.day) {
                m_eraName = QString::fromUtf16(e.name);
                m_eraYear = p.year - e.year + 1;
            }
        }
        // Before the first era there is no era name; the year stands as it is.
        if (m_eraName.isEmpty())
            m_eraYear = p.year;
    }

    QString out;

    void append(const QString& format);

private:
    void number(int value, int digits) {
        out += QStringLiteral("%1").arg(value, digits, 10, QLatin1Char('0'));
    }
    QString shortDayName() const { return QString(QChar(kShortDayNames[p.dayOfWeek - 1])); }
    QString longDayName() const { return shortDayName() + QStringLiteral("曜日"); }
    QString monthName() const { return QString::number(p.month) + QStringLiteral("月"); }

    const WrenDate::Parts p;
    const int m_msOfDay;
    QString m_eraName;
    int m_eraYear = 0;
    int m_level = 0;
};

// Nested system forms are expanded two levels deep at most, so that a form
// can never expand itself for ever.
void Formatter::append(const QString& f) {
    if (m_level >= 2)
        return;
    ++m_level;
    QChar lastToken = QLatin1Char(' ');
    bool use12Hour = false;
    const int n = int(f.size());
    int i = 0;
    while (i < n) {
        const QChar starter = f.at(i);
        QChar token = upper(starter);
        if (token >= QLatin1Char('A') && token <= QLatin1Char('Z')) {
            // "m" right after an hour is the minute.
            if (token == QLatin1Char('M') && lastToken == QLatin1Char('H'))
                token = QLatin1Char('N');
            lastToken = token;
        }
        ++i;
        auto runLength = [&]() {
            int count = 1;
            while (i < n && upper(f.at(i)) == upper(starter)) {
                ++count;
                ++i;
            }
            return count;
        };
        switch (token.unicode()) {
        case u'Y': {
            const int count = runLength();
            if (count <= 2)
                number(((p.year % 100) + 100) % 100, 2);
            else
                number(p.year, 4);
            break;
        }
        case u'G':
            if (runLength() == 1)
                out += m_eraName.left(1);
            else
                out += m_eraName;
            break;
        case u'E':
            number(m_eraYear, runLength() == 1 ? 1 : 2);
            break;
        case u'M': {
            const int count = runLength();
            if (count <= 2)
                number(p.month, count);
            else
                out += monthName();
            break;
        }
        case u'D': {
            const int count = runLength();
            switch (count) {
            case 1:
            case 2:
                number(p.day, count);
                break;
            case 3:
                out += shortDayName();
                break;
            case 4:
                out += longDayName();
                break;
            case 5:
                append(kShortDate);
                break;
            default:
                append(kLongDate);
                break;
            }
            break;
        }
        case u'H': {
            const int count = runLength();
            // A marker before the next hour makes this a 12-hour clock.
            QChar quote;
            for (int j = i; j < n; ++j) {
                const QChar c = f.at(j);
                if (!quote.isNull()) {
                    if (c == quote)
                        quote = QChar();
                    continue;
                }
                if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
                    quote = c;
                } else if (upper(c) == QLatin1Char('A')) {
                    if (startsWithNoCase(f, j, "am/pm") || startsWithNoCase(f, j, "a/p") ||
                        startsWithNoCase(f, j, "ampm"))
                        use12Hour = true;
                    break;
                } else if (upper(c) == QLatin1Char('H')) {
                    break;
                }
            }
            int h = p.hour;
            if (use12Hour) {
                if (h == 0)
                    h = 12;
                else if (h > 12)
                    h -= 12;
            }
            number(h, qMin(count, 2));
            break;
        }
        case u'N':
            number(p.minute, qMin(runLength(), 2));
            break;
        case u'S':
            number(p.second, qMin(runLength(), 2));
            break;
        case u'Z':
            number(p.msec, qMin(runLength(), 3));
            break;
        case u'T':
            append(runLength() == 1 ? kShortTime : kLongTime);
            break;
        case u'A': {
            const int at = i - 1;
            const bool pm = p.hour >= 12;
            if (startsWithNoCase(f, at, "am/pm")) {
                // The marker keeps the letter case it was written in.
                out += f.mid(pm ? at + 3 : at, 2);
                i = at + 5;
                use12Hour = true;
            } else if (startsWithNoCase(f, at, "a/p")) {
                out += f.mid(pm ? at + 2 : at, 1);
                i = at + 3;
                use12Hour = true;
            } else if (startsWithNoCase(f, at, "ampm")) {
                out += pm ? kPm : kAm;
                i = at + 4;
                use12Hour = true;
            } else if (startsWithNoCase(f, at, "aaaa")) {
                out += longDayName();
                i = at + 4;
            } else if (startsWithNoCase(f, at, "aaa")) {
                out += shortDayName();
                i = at + 3;
            } else {
                out += starter;
            }
            break;
        }
        case u'C':
            runLength();
            append(kShortDate);
            if (m_msOfDay != 0) {
                out += QLatin1Char(' ');
                append(kLongTime);
            }
            break;
        case u'/':
            out += kDateSeparator;
            break;
        case u':':
            out += kTimeSeparator;
            break;
        case u'\'':
        case u'"': {
            const int start = i;
            while (i < n && f.at(i) != starter)
                ++i;
            out += f.mid(start, i - start);
            if (i < n)
                ++i;
            break;
        }
        default:
            out += starter;
            break;
        }
    }
    --m_level;
}

} // namespace

QString FormatWrenDate(const QString& format, double value) {
    if (!std::isfinite(value) || !WrenDate::toDate(value).isValid())
        return QString();
    const WrenDate::Parts parts = WrenDate::split(value);
    if (parts.dayOfWeek < 1 || parts.dayOfWeek > 7)
        return QString();
    Formatter f(parts, WrenDate::msecsOfDay(value));
    f.append(format.isEmpty() ? QStringLiteral("c") : format);
    return f.out;
}

QString FormatWrenDate(const QString& format, const QDateTime& dateTime) {
    if (!dateTime.isValid())
        return QString();
    return FormatWrenDate(format, WrenDate::fromDateTime(dateTime));
}
