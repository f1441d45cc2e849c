#include "calendar/CalExAccessible.h"

#include "calendar/CalEx.h"
#include "calendar/PaintedAccessible.h"

namespace {

const char* const kWeekdayNames[7] = {"日", "月", "火", "水", "木", "金", "土"};

class TCalendarAccessible : public TPaintedAccessible {
public:
    explicit TCalendarAccessible(TMonthlyCalendar* calendar)
        : TPaintedAccessible(calendar, QAccessible::Table, QStringLiteral("カレンダー")) {}

    TMonthlyCalendar* calendar() const { return static_cast<TMonthlyCalendar*>(widget()); }

    int rows() const {
        try {
            return calendar()->RowCount();
        } catch (const EJuliusError&) {
            return 0;
        }
    }
    int partCount() const override { return 7 * rows(); }

    // The date of a day cell; false for the header row and cells without one.
    bool dateOf(int index, int32_t& day, TJuliusDate& date) const {
        if (!calendar()->CellDay(index % 7, index / 7, day))
            return false;
        date = JuliusToDate(day);
        return true;
    }

    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value || t == QAccessible::Description)
            return QStringLiteral("%1年%2月%3日")
                .arg(calendar()->Year())
                .arg(calendar()->Month())
                .arg(calendar()->Day());
        return TPaintedAccessible::text(t);
    }

    QString partText(int index, QAccessible::Text t) const override {
        if (index < 7) {
            const QString name =
                QString::fromUtf8(kWeekdayNames[calendar()->Grid().HeaderWeekday(index)]);
            return t == QAccessible::Name ? name : QString();
        }
        int32_t day = 0;
        TJuliusDate date;
        if (!dateOf(index, day, date))
            return QString();
        const TJuliusDate& dd = date;
        if (t == QAccessible::Name)
            return QString::number(dd.Day);
        if (t == QAccessible::Description) {
            QString s = QStringLiteral("%1年%2月%3日(%4)")
                            .arg(dd.Year)
                            .arg(dd.Month)
                            .arg(dd.Day)
                            .arg(QString::fromUtf8(kWeekdayNames[JuliusDayOfWeek(day) - 1]));
            try {
                const QStringList names = calendar()->GetDayNames(dd.Year, dd.Month, dd.Day);
                if (!names.isEmpty())
                    s += QLatin1Char(' ') + names.join(QLatin1Char(' '));
            } catch (const EJuliusError&) {
            }
            if (calendar()->DueCount) {
                const int n = calendar()->DueCount(day);
                if (n > 0)
                    s += QStringLiteral(" 期日の項目 %1 件").arg(n);
            }
            return s;
        }
        return QString();
    }

    QAccessible::Role partRole(int index) const override {
        return index < 7 ? QAccessible::ColumnHeader : QAccessible::Cell;
    }

    QRect partRect(int index) const override { return calendar()->CellRect(index % 7, index / 7); }

    QAccessible::State partState(int index) const override {
        QAccessible::State s = TPaintedAccessible::partState(index);
        if (index < 7)
            return s;
        int32_t day = 0;
        TJuliusDate date;
        if (!dateOf(index, day, date)) {
            s.invisible = true;
            return s;
        }
        const bool inMonth = calendar()->Grid().InMonth(day);
        if (!inMonth && !calendar()->ShowNeighbor)
            s.invisible = true;
        if (inMonth || calendar()->NeighborJump) {
            s.selectable = true;
            s.focusable = true;
        }
        if (day == calendar()->JuliusDay()) {
            s.selected = true;
            if (calendar()->hasFocus())
                s.focused = true;
        }
        return s;
    }

    QString partAction(int index) const override {
        return partState(index).selectable ? QAccessibleActionInterface::pressAction() : QString();
    }

    void pressPart(int index) override { calendar()->PressCell(index % 7, index / 7); }

    int selectedIndex() const {
        const int n = partCount();
        for (int i = 7; i < n; ++i) {
            int32_t day = 0;
            if (calendar()->CellDay(i % 7, i / 7, day) && day == calendar()->JuliusDay())
                return i;
        }
        return -1;
    }
};

QAccessibleInterface* factory(const QString& className, QObject* object) {
    if (className == QLatin1String("TMonthlyCalendar") && object && object->isWidgetType())
        return new TCalendarAccessible(static_cast<TMonthlyCalendar*>(object));
    return nullptr;
}

} // namespace

namespace CalExAccessible {

void install() {
    static bool installed = false;
    if (!installed) {
        installed = true;
        QAccessible::installFactory(factory);
    }
}

void announceSelection(QWidget* calendar) {
    auto* iface =
        dynamic_cast<TCalendarAccessible*>(QAccessible::queryAccessibleInterface(calendar));
    if (!iface)
        return;
    const int i = iface->selectedIndex();
    if (i >= 0)
        iface->announcePart(i, calendar->hasFocus());
}

} // namespace CalExAccessible
