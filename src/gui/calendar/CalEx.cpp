#include "calendar/CalEx.h"

#include "calendar/CalExAccessible.h"
#include "common/Clock.h"

#include <QAccessible>
#include <QApplication>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QToolTip>

#include <algorithm>

namespace {

const char* const kWeekdayNames[7] = {"日", "月", "火", "水", "木", "金", "土"};

QColor orColors(const QColor& a, const QColor& b) {
    return QColor(a.red() | b.red(), a.green() | b.green(), a.blue() | b.blue());
}

int todayJulius() {
    int32_t day = 0;
    try {
        day = DateTimeToJulius(Clock::today());
    } catch (const EJuliusError&) {
        day = 2451545; // a clock outside the day range; any real day will do
    }
    return day;
}

} // namespace

// ---- TCalExFonts --------------------------------------------------------------

TCalExFonts::TCalExFonts(QObject* parent) : QObject(parent) {
    const QFont base = QApplication::font();
    m_fonts.fill(base);
    QFont rokuyo = base;
    rokuyo.setPointSize(10);
    m_fonts[size_t(TCalExFont::Rokuyo)] = rokuyo;
    m_colors = {QColor(Qt::black), QColor(0, 0, 255), QColor(255, 0, 0), QColor(Qt::white),
                QColor(255, 0, 0), QColor(0, 128, 0), QColor(Qt::black)};
}

void TCalExFonts::assign(TCalExFont which, const QFont& font, const QColor& color) {
    if (Synchronize) {
        m_fonts.fill(font);
        m_colors.fill(color);
    } else {
        m_fonts[size_t(which)] = font;
        m_colors[size_t(which)] = color;
    }
    Q_EMIT changed();
}

// ---- TCustomCalendarEx ------------------------------------------------------

TCustomCalendarEx::TCustomCalendarEx(QWidget* parent)
    : QWidget(parent), m_fonts(new TCalExFonts(this)), m_color(palette().color(QPalette::Base)) {
    m_julius = todayJulius();
    m_date = JuliusToDate(m_julius);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent); // every pixel is painted; no erasing first
    connect(m_fonts, &TCalExFonts::changed, this, [this]() { Redraw(); });
}

void TCustomCalendarEx::SetJuliusDay(int32_t day) {
    if (day == m_julius)
        return;
    m_julius = day;
    m_date = JuliusToDate(day);
    Redraw();
    if (QAccessible::isActive())
        CalExAccessible::announceSelection(this);
    Q_EMIT dayChanged(m_date.Year, m_date.Month, m_date.Day);
}

void TCustomCalendarEx::setDate(int year, int month, int day) {
    if (!IsValidDate(year, month, day))
        return;
    try {
        SetJuliusDay(DateToJulius(year, month, day));
    } catch (const EJuliusError&) {
        // beyond the day range: ignored like any date that does not exist
    }
}

void TCustomCalendarEx::SetYear(int year) {
    setDate(year, m_date.Month, m_date.Day);
}
void TCustomCalendarEx::SetMonth(int month) {
    setDate(m_date.Year, month, m_date.Day);
}
void TCustomCalendarEx::SetDay(int day) {
    setDate(m_date.Year, m_date.Month, day);
}

void TCustomCalendarEx::NextDay() {
    if (m_julius < MaxJuliusDay)
        SetJuliusDay(m_julius + 1);
}
void TCustomCalendarEx::PrevDay() {
    if (m_julius > MinJuliusDay)
        SetJuliusDay(m_julius - 1);
}
void TCustomCalendarEx::NextMonth() {
    try {
        SetJuliusDay(NextMonthDay(m_julius));
    } catch (const EJuliusError&) {
        // the last month of the day range has no next one
    }
}
void TCustomCalendarEx::PrevMonth() {
    try {
        SetJuliusDay(PrevMonthDay(m_julius));
    } catch (const EJuliusError&) {
    }
}

void TCustomCalendarEx::SetHolidayList(const QStringList& list) {
    m_rules.HolidayList = list;
    Redraw();
}
void TCustomCalendarEx::SetSpecialDayList(const QStringList& list) {
    m_rules.SpecialDayList = list;
    Redraw();
}
void TCustomCalendarEx::SetAutoEquinox(bool on) {
    m_rules.AutoEquinox = on;
    Redraw();
}
void TCustomCalendarEx::SetAutoFurikae(bool on) {
    m_rules.AutoFurikae = on;
    Redraw();
}
void TCustomCalendarEx::SetColor(const QColor& color) {
    m_color = color;
    Redraw();
}
void TCustomCalendarEx::SetBorderSingle(bool single) {
    m_border = single;
    Redraw();
}

int TCustomCalendarEx::DayFlags(int year, int month, int day) const {
    return m_rules.DayFlags(year, month, day);
}
TCalExFont TCustomCalendarEx::GetDayFont(int year, int month, int day) const {
    return m_rules.GetDayFont(year, month, day);
}
QStringList TCustomCalendarEx::GetDayNames(int year, int month, int day) const {
    return m_rules.GetDayNames(year, month, day);
}

// ---- TMonthlyCalendar -------------------------------------------------------

TMonthlyCalendar::TMonthlyCalendar(QWidget* parent) : TCustomCalendarEx(parent) {
    CalExAccessible::install();
    setMouseTracking(false);
}

void TMonthlyCalendar::SetMainWindowStyle() {
    QFont f(QStringLiteral("ＭＳ Ｐゴシック"));
    f.setPixelSize(12);
    QFont header = f;
    header.setBold(true);
    QFont rokuyo = f;
    rokuyo.setPixelSize(13);
    TCalExFonts* fonts = Fonts();
    const bool sync = fonts->Synchronize;
    fonts->Synchronize = false;
    fonts->assign(TCalExFont::Weekday, f, Qt::black);
    fonts->assign(TCalExFont::Saturday, f, QColor(0, 0, 255));
    fonts->assign(TCalExFont::Sunday, f, QColor(255, 0, 0));
    fonts->assign(TCalExFont::DayOfWeek, header, palette().color(QPalette::WindowText));
    fonts->assign(TCalExFont::Holiday, f, QColor(255, 0, 0));
    fonts->assign(TCalExFont::SpecialDay, f, QColor(0, 128, 0));
    fonts->assign(TCalExFont::Rokuyo, rokuyo, Qt::black);
    fonts->Synchronize = sync;
    FirstDayOfWeek = 0;
    NeighborColor = QColor(0xC0, 0xC0, 0xC0);
    DayOfWeekBkColor = QColor(0xC0, 0xC0, 0xC0);
    ShowNeighbor = true;
    NeighborJump = true;
    AutoResize = true;
    FirstRowFirstDay = true;
    LastRowLastDay = true;
    ShowRokuyo = false;
    Redraw();
}

TMonthGrid TMonthlyCalendar::Grid() const {
    TMonthGrid g;
    g.Year = Year();
    g.Month = Month();
    g.FirstDayOfWeek = std::clamp(FirstDayOfWeek, 0, 6);
    g.AutoResize = AutoResize;
    g.FirstRowFirstDay = FirstRowFirstDay;
    g.LastRowLastDay = LastRowLastDay;
    return g;
}

QRect TMonthlyCalendar::GridRect() const {
    const int b = borderWidth();
    return rect().adjusted(b, b, -b, -b);
}

bool TMonthlyCalendar::CellAt(const QPoint& pos, int& column, int& row) const {
    const QRect g = GridRect();
    return Grid().CellAt(pos.x() - g.x(), pos.y() - g.y(), g.width(), g.height(), column, row);
}

QRect TMonthlyCalendar::CellRect(int column, int row) const {
    const QRect g = GridRect();
    return Grid().CellRect(column, row, g.width(), g.height()).translated(g.topLeft());
}

bool TMonthlyCalendar::CellDay(int column, int row, int32_t& day) const {
    if (row < 1)
        return false;
    TJuliusDate date;
    const qint64 j = Grid().CellDay(column, row);
    if (!::CellDate(j, date))
        return false;
    day = int32_t(j);
    return true;
}

bool TMonthlyCalendar::DayAt(const QPoint& pos, int32_t& day) const {
    int column = 0, row = 0;
    if (!CellAt(pos, column, row) || !CellDay(column, row, day))
        return false;
    return NeighborJump || Grid().InMonth(day);
}

bool TMonthlyCalendar::PressCell(int column, int row) {
    int32_t day = 0;
    if (!CellDay(column, row, day) || !(NeighborJump || Grid().InMonth(day)))
        return false;
    SetJuliusDay(day);
    Q_EMIT clicked();
    return true;
}

QSize TMonthlyCalendar::sizeHint() const {
    const QFontMetrics fm(Fonts()->font(TCalExFont::Weekday));
    const int w = fm.horizontalAdvance(QStringLiteral("30")) + 10;
    return QSize(7 * w + 2 * borderWidth(), 7 * (fm.height() + 4) + 2 * borderWidth());
}

QSize TMonthlyCalendar::minimumSizeHint() const {
    return QSize(7 * 10, 7 * 6);
}

void TMonthlyCalendar::paintEvent(QPaintEvent*) {
    if (!m_painted) {
        m_painted = true;
        Q_EMIT firstPaint();
    }
    QPainter p(this);
    p.fillRect(rect(), Color());
    const TMonthGrid grid = Grid();
    const QRect g = GridRect();
    int rows = 0;
    try {
        rows = grid.RowCount();
    } catch (const EJuliusError&) {
        return; // a month without day numbers: nothing to draw
    }
    for (int r = 0; r < rows; ++r)
        for (int k = 0; k < 7; ++k)
            DrawCell(p, grid, k, r,
                     grid.CellRect(k, r, g.width(), g.height()).translated(g.topLeft()));
    if (BorderSingle()) {
        p.setPen(palette().color(QPalette::Dark));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void TMonthlyCalendar::DrawCell(QPainter& p, const TMonthGrid& grid, int column, int row,
                                const QRect& rect) {
    TCalExFonts* fonts = Fonts();
    if (row == 0) {
        p.fillRect(rect, DayOfWeekBkColor);
        p.setFont(fonts->font(TCalExFont::DayOfWeek));
        p.setPen(fonts->color(TCalExFont::DayOfWeek));
        p.drawText(rect, Qt::AlignCenter | Qt::TextSingleLine,
                   QString::fromUtf8(kWeekdayNames[grid.HeaderWeekday(column)]));
        return;
    }
    const qint64 j = grid.CellDay(column, row);
    TJuliusDate date;
    if (!::CellDate(j, date))
        return;
    const bool inMonth = date.Year == grid.Year && date.Month == grid.Month;
    if (!inMonth && !ShowNeighbor)
        return;
    TCalExFont which = TCalExFont::Weekday;
    try {
        which = GetDayFont(date.Year, date.Month, date.Day);
    } catch (const EJuliusError&) {
    }
    QColor color = fonts->color(which);
    const bool selected = inMonth && int32_t(j) == JuliusDay();
    if (selected) {
        p.fillRect(rect, color == QColor(Qt::black) ? palette().color(QPalette::Highlight) : color);
        color = Color();
    } else if (!inMonth) {
        color = orColors(color, NeighborColor);
    }
    const QString text = QString::number(date.Day);
    int rokuyo = 0;
    if (ShowRokuyo) {
        try {
            rokuyo = RokuyoOf(int32_t(j));
        } catch (const EJuliusError&) {
            rokuyo = 0; // the table cannot be read: no names, never wrong ones
        }
    }
    p.setFont(fonts->font(which));
    p.setPen(color);
    if (rokuyo == 0) {
        p.drawText(rect, Qt::AlignCenter | Qt::TextSingleLine, text);
    } else {
        const QFont rf = fonts->font(TCalExFont::Rokuyo);
        const int h = rf.pixelSize() > 0 ? rf.pixelSize() : QFontMetrics(rf).height();
        p.drawText(rect.adjusted(0, 0, 0, -h), Qt::AlignCenter | Qt::TextSingleLine, text);
        QColor rc = fonts->color(TCalExFont::Rokuyo);
        if (selected)
            rc = Color();
        else if (!inMonth)
            rc = orColors(rc, NeighborColor);
        p.setFont(rf);
        p.setPen(rc);
        p.drawText(QRect(rect.left(), rect.bottom() + 1 - h, rect.width(), h),
                   Qt::AlignCenter | Qt::TextSingleLine, RokuyoName(rokuyo));
    }
    if (DueCount && DueCount(int32_t(j)) > 0) {
        // A small corner mark: items fall due that day.
        const int s = std::max(4, std::min(rect.width(), rect.height()) / 4);
        const QPoint tr = rect.topRight();
        const QPoint pts[3] = {tr + QPoint(1 - s, 0), tr + QPoint(1, 0), tr + QPoint(1, s)};
        p.save();
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(color);
        p.drawPolygon(pts, 3);
        p.restore();
    }
}

void TMonthlyCalendar::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_pressed = true;
    int32_t day = 0;
    if (DayAt(event->position().toPoint(), day))
        SetJuliusDay(day);
}

void TMonthlyCalendar::mouseReleaseEvent(QMouseEvent* event) {
    const bool was = m_pressed;
    m_pressed = false;
    if (was && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
}

void TMonthlyCalendar::mouseDoubleClickEvent(QMouseEvent* event) {
    m_pressed = false;
    if (event->button() != Qt::LeftButton)
        return;
    int32_t day = 0;
    // Only on a day: a double click on the weekday row creates nothing.
    if (!DayAt(event->position().toPoint(), day))
        return;
    SetJuliusDay(day);
    Q_EMIT doubleClicked();
}

void TMonthlyCalendar::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Right:
        NextDay();
        break;
    case Qt::Key_Left:
        PrevDay();
        break;
    case Qt::Key_Up:
        if (JuliusDay() >= MinJuliusDay + 7)
            SetJuliusDay(JuliusDay() - 7);
        break;
    case Qt::Key_Down:
        if (JuliusDay() <= MaxJuliusDay - 7)
            SetJuliusDay(JuliusDay() + 7);
        break;
    case Qt::Key_PageUp:
        PrevMonth();
        break;
    case Qt::Key_PageDown:
        NextMonth();
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void TMonthlyCalendar::keyReleaseEvent(QKeyEvent* event) {
    if (event->isAutoRepeat()) {
        event->accept();
        return;
    }
    event->ignore();
    Q_EMIT keyReleased(event);
    if (!event->isAccepted())
        QWidget::keyReleaseEvent(event);
}

bool TMonthlyCalendar::event(QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        // The calendar's own keys win over any window shortcut on them.
        auto* ke = static_cast<QKeyEvent*>(event);
        if (ke->modifiers() == Qt::NoModifier || ke->modifiers() == Qt::KeypadModifier) {
            switch (ke->key()) {
            case Qt::Key_Left:
            case Qt::Key_Right:
            case Qt::Key_Up:
            case Qt::Key_Down:
            case Qt::Key_PageUp:
            case Qt::Key_PageDown:
            case Qt::Key_Return:
            case Qt::Key_Enter:
                event->accept();
                return true;
            default:
                break;
            }
        }
    } else if (event->type() == QEvent::ToolTip) {
        auto* he = static_cast<QHelpEvent*>(event);
        int column = 0, row = 0;
        int32_t day = 0;
        if (CellAt(he->pos(), column, row) && CellDay(column, row, day)) {
            const TJuliusDate d = JuliusToDate(day);
            QStringList names;
            try {
                names = GetDayNames(d.Year, d.Month, d.Day);
            } catch (const EJuliusError&) {
            }
            if (!names.isEmpty()) {
                QToolTip::showText(he->globalPos(), names.join(QLatin1Char('\n')), this,
                                   CellRect(column, row));
                return true;
            }
        }
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    return TCustomCalendarEx::event(event);
}
