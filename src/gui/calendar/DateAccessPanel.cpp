#include "calendar/DateAccessPanel.h"

#include "calendar/PaintedAccessible.h"
#include "common/Clock.h"
#include "common/DateTime.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QDateEdit>
#include <QFocusEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include <cmath>

namespace {

class TDatePanelAccessible : public TPaintedAccessible {
public:
    explicit TDatePanelAccessible(TDateAccessPanel* panel)
        : TPaintedAccessible(panel, QAccessible::Grouping, QStringLiteral("日付パネル")) {}
    TDateAccessPanel* panel() const { return static_cast<TDateAccessPanel*>(widget()); }

    // Parts: label 0, date 0, label 1, date 1, ...
    int partCount() const override { return 8; }
    QString partText(int index, QAccessible::Text t) const override {
        const int field = index / 2;
        const bool label = index % 2 == 0;
        if (t == QAccessible::Name)
            return label ? TDateAccessPanel::LabelText(field)
                         : TDateAccessPanel::DateText(panel()->Date(field));
        if (t == QAccessible::Description)
            return label ? (field < 2 ? QStringLiteral("%1を今日にする")
                                      : QStringLiteral("%1を今日にする、または消す"))
                               .arg(TDateAccessPanel::FieldName(field))
                         : TDateAccessPanel::FieldName(field);
        return QString();
    }
    QAccessible::Role partRole(int index) const override {
        return index % 2 == 0 ? QAccessible::Button : QAccessible::ComboBox;
    }
    QRect partRect(int index) const override {
        return panel()->FieldRect(index / 2, index % 2 == 0);
    }
    QAccessible::State partState(int index) const override {
        QAccessible::State s = TPaintedAccessible::partState(index);
        s.focusable = false;
        return s;
    }
    QString partAction(int) const override { return QAccessibleActionInterface::pressAction(); }
    void pressPart(int index) override {
        if (index % 2 == 0)
            panel()->ToggleDate(index / 2);
        else
            panel()->OpenDatePicker(index / 2);
    }
};

QAccessibleInterface* factory(const QString& className, QObject* object) {
    if (className == QLatin1String("TDateAccessPanel") && object && object->isWidgetType())
        return new TDatePanelAccessible(static_cast<TDateAccessPanel*>(object));
    return nullptr;
}

// Inside the widget, also across the popup windows it owns (the calendar
// drop-down of the date edit).
bool within(const QWidget* w, const QWidget* ancestor) {
    for (; w; w = w->parentWidget())
        if (w == ancestor)
            return true;
    return false;
}

bool isDay(double value) {
    if (value == 0 || !std::isfinite(value))
        return false;
    const QDate d = WrenDate::toDate(value);
    return d.isValid() && d.year() >= 1 && d.year() <= 9999;
}

} // namespace

TDateAccessPanel::TDateAccessPanel(QWidget* parent) : QWidget(parent) {
    static const bool installed = (QAccessible::installFactory(factory), true);
    Q_UNUSED(installed);
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(100, 18);
    connect(qApp, &QApplication::focusChanged, this, &TDateAccessPanel::onFocusChanged);
}

QString TDateAccessPanel::LabelText(int index) {
    static const char* const labels[4] = {"作成:", "更新:", "期日:", "完了:"};
    return index >= 0 && index < 4 ? QString::fromUtf8(labels[index]) : QString();
}

QString TDateAccessPanel::FieldName(int index) {
    static const char* const names[4] = {"作成日", "更新日", "期日", "完了日"};
    return index >= 0 && index < 4 ? QString::fromUtf8(names[index]) : QString();
}

QString TDateAccessPanel::DateText(double value) {
    if (!isDay(value))
        return QStringLiteral("----/--/--");
    return WrenDate::toDate(value).toString(QStringLiteral("yyyy/MM/dd"));
}

int TDateAccessPanel::DateLeft() const {
    return std::max(29, fontMetrics().horizontalAdvance(LabelText(0)) + 4);
}

int TDateAccessPanel::FieldWidth() const {
    // Room for the date picker too: open, it stays inside its own field.
    const int text = fontMetrics().horizontalAdvance(QStringLiteral("0000/00/00")) + 10;
    return std::max(90, DateLeft() + std::max(text, PickerWidth(true) + 2));
}

int TDateAccessPanel::PickerWidth(bool check) const {
    if (m_probedFont != font() || m_probedDate == 0) {
        // Measured on spare widgets in the panel's font, once per font.
        QDateEdit date;
        date.setFont(font());
        date.setCalendarPopup(true);
        date.setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
        QCheckBox box;
        box.setFont(font());
        m_probedDate = std::max(82, date.sizeHint().width());
        m_probedCheck = box.sizeHint().width();
        m_probedFont = font();
    }
    return check ? m_probedDate + m_probedCheck + 4 : m_probedDate + 2;
}

int TDateAccessPanel::HitCode(int x) const {
    const int w = FieldWidth();
    if (x < 0 || x / w >= 4)
        return 0;
    return x % w < DateLeft() ? 9 + x / w : 1 + x / w;
}

double TDateAccessPanel::Date(int index) const {
    return index >= 0 && index < 4 ? m_dates[size_t(index)] : 0;
}

QRect TDateAccessPanel::FieldRect(int index, bool label) const {
    const int left = FieldWidth() * index;
    return label ? QRect(left, 0, DateLeft(), height())
                 : QRect(left + DateLeft(), 0, FieldWidth() - DateLeft(), height());
}

QSize TDateAccessPanel::sizeHint() const {
    return QSize(4 * FieldWidth(), 16);
}

QSize TDateAccessPanel::minimumSizeHint() const {
    return QSize(0, 16);
}

void TDateAccessPanel::LoadDates(const std::array<double, 4>& dates) {
    if (m_picker && m_picker->isVisible())
        CancelDatePicker();
    m_dates = dates;
    DatesChanged = false;
    update();
}

void TDateAccessPanel::SetPanelDate(int index, double value) {
    if (index < 0 || index > 3 || m_dates[size_t(index)] == value)
        return;
    m_dates[size_t(index)] = value;
    DatesChanged = true;
    if (OnDateChange)
        OnDateChange(index, value);
    update(QRect(FieldWidth() * index, 0, FieldWidth(), height()));
    if (QAccessible::isActive())
        if (auto* iface =
                dynamic_cast<TPaintedAccessible*>(QAccessible::queryAccessibleInterface(this))) {
            QAccessibleEvent ev(iface->child(2 * index + 1), QAccessible::NameChanged);
            QAccessible::updateAccessibility(&ev);
        }
}

void TDateAccessPanel::ToggleDate(int index) {
    if (index < 0 || index > 3)
        return;
    if (index < 2 || m_dates[size_t(index)] == 0)
        SetPanelDate(index, Clock::today());
    else
        SetPanelDate(index, 0);
}

void TDateAccessPanel::createPicker() {
    QWidget* host = parentWidget() ? parentWidget() : this;
    m_picker = new QFrame(host);
    m_picker->setObjectName(QStringLiteral("DatePicker"));
    m_picker->setFont(font()); // as measured for the fields' width
    m_picker->setFrameShape(QFrame::Box);
    m_picker->setAutoFillBackground(true);
    auto* layout = new QHBoxLayout(m_picker);
    layout->setContentsMargins(1, 0, 1, 0);
    layout->setSpacing(2);
    m_pickerCheck = new QCheckBox(m_picker);
    m_pickerCheck->setObjectName(QStringLiteral("DatePickerCheck"));
    m_pickerCheck->setAccessibleName(QStringLiteral("日付を設定する"));
    m_pickerCheck->setToolTip(QStringLiteral("外すと日付を消します"));
    m_pickerDate = new QDateEdit(m_picker);
    m_pickerDate->setObjectName(QStringLiteral("DatePickerDate"));
    m_pickerDate->setCalendarPopup(true);
    m_pickerDate->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    m_pickerDate->setDateRange(QDate(100, 1, 1), QDate(9999, 12, 31));
    m_pickerDate->calendarWidget()->setFirstDayOfWeek(Qt::Sunday);
    m_pickerDate->calendarWidget()->setLocale(QLocale(QLocale::Japanese, QLocale::Japan));
    m_pickerDate->installEventFilter(this);
    m_pickerCheck->installEventFilter(this);
    layout->addWidget(m_pickerCheck);
    layout->addWidget(m_pickerDate, 1);
    connect(m_pickerCheck, &QCheckBox::toggled, this, [this](bool on) {
        m_pickerDate->setEnabled(on);
        if (!on)
            CommitDatePicker(); // an unticked box clears at once
    });
    // Choosing a day in the drop-down closes it and takes the day.
    connect(m_pickerDate->calendarWidget(), &QCalendarWidget::clicked, this,
            [this]() { QTimer::singleShot(0, this, [this]() { CommitDatePicker(); }); });
    connect(m_pickerDate->calendarWidget(), &QCalendarWidget::activated, this,
            [this]() { QTimer::singleShot(0, this, [this]() { CommitDatePicker(); }); });
    m_picker->hide();
}

void TDateAccessPanel::OpenDatePicker(int index) {
    if (index < 0 || index > 3)
        return;
    if (!m_picker)
        createPicker();
    m_editField = index;
    const double value = m_dates[size_t(index)];
    m_pickerDate->setDate(isDay(value) ? WrenDate::toDate(value)
                                       : WrenDate::toDate(Clock::today()));
    m_pickerDate->setAccessibleName(FieldName(index));
    const bool check = index >= 2;
    {
        const QSignalBlocker block(m_pickerCheck);
        m_pickerCheck->setChecked(true);
    }
    m_pickerDate->setEnabled(true);
    m_pickerCheck->setVisible(check);
    // Never narrower than the date needs, whatever the font; within its
    // field, and within the panel when the panel is narrower than the fields.
    const int width =
        std::max(PickerWidth(check), (check ? m_pickerCheck->sizeHint().width() + 4 : 2) +
                                         m_pickerDate->sizeHint().width());
    const int height = std::max(this->height() + 2, m_pickerDate->sizeHint().height());
    const int left = FieldWidth() * index;
    const int x = std::max(left, std::min(left + DateLeft(), this->width() - width));
    const QPoint at = m_picker->parentWidget() == this
                          ? QPoint(x, 0)
                          : mapTo(m_picker->parentWidget(), QPoint(x, -1));
    m_picker->setGeometry(QRect(at, QSize(width, height)));
    m_picker->show();
    m_picker->raise();
    if (!isActiveWindow())
        window()->activateWindow();
    m_pickerDate->setFocus(Qt::OtherFocusReason);
}

void TDateAccessPanel::CommitDatePicker() {
    if (!m_picker || m_picker->isHidden() || m_editField < 0)
        return;
    const int index = m_editField;
    const bool ticked = index < 2 || m_pickerCheck->isChecked();
    const QDate picked = m_pickerDate->date();
    m_picker->hide();
    m_editField = -1;
    if (!ticked) {
        SetPanelDate(index, 0);
        return;
    }
    const double old = m_dates[size_t(index)];
    // The same day keeps its time of day: opening and closing changes nothing.
    if (isDay(old) && WrenDate::toDate(old) == picked)
        return;
    SetPanelDate(index, WrenDate::fromDate(picked));
}

void TDateAccessPanel::CancelDatePicker() {
    if (!m_picker)
        return;
    m_picker->hide();
    m_editField = -1;
}

bool TDateAccessPanel::pickerHasFocus() const {
    return m_picker && m_picker->isVisible() && within(QApplication::focusWidget(), m_picker);
}

void TDateAccessPanel::onFocusChanged(QWidget* old, QWidget* now) {
    // Leaving the picker for another control of the window commits it;
    // the window losing or regaining activation does not.
    if (!m_picker || m_picker->isHidden() || !old || !now || !within(old, m_picker) ||
        within(now, m_picker) || m_activationFocus)
        return;
    CommitDatePicker();
}

bool TDateAccessPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        m_activationFocus = reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason;
    }
    if (watched == m_pickerDate && event->type() == QEvent::KeyPress) {
        auto* ke = static_cast<QKeyEvent*>(event);
        if (ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter) {
            CommitDatePicker();
            return true;
        }
        if (ke->key() == Qt::Key_Escape) {
            CancelDatePicker();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TDateAccessPanel::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Button));
    if (Bevel != BevelNone) {
        const QColor light = palette().color(QPalette::Light);
        const QColor dark = palette().color(QPalette::Dark);
        const QColor topLeft = Bevel == BevelRaised ? light : dark;
        const QColor bottomRight = Bevel == BevelRaised ? dark : light;
        const QRect r = rect().adjusted(0, 0, -1, -1);
        p.setPen(topLeft);
        p.drawLine(r.topLeft(), r.topRight());
        p.drawLine(r.topLeft(), r.bottomLeft());
        p.setPen(bottomRight);
        p.drawLine(r.bottomLeft(), r.bottomRight());
        p.drawLine(r.topRight(), r.bottomRight());
    }
    p.setFont(font());
    p.setPen(palette().color(QPalette::ButtonText));
    for (int i = 0; i < 4; ++i) {
        if (!event->rect().intersects(QRect(FieldWidth() * i, 0, FieldWidth(), height())))
            continue;
        p.drawText(FieldRect(i, true).adjusted(1, 0, 0, 0),
                   Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, LabelText(i));
        p.drawText(FieldRect(i, false), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   DateText(m_dates[size_t(i)]));
    }
}

void TDateAccessPanel::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    m_pressed = HitCode(event->position().toPoint().x());
    if (pickerHasFocus()) {
        CommitDatePicker();
        if (m_pressed >= 9)
            m_pressed = 0;
    }
}

void TDateAccessPanel::mouseMoveEvent(QMouseEvent* event) {
    if (m_pressed && HitCode(event->position().toPoint().x()) != m_pressed)
        m_pressed = 0;
}

void TDateAccessPanel::mouseReleaseEvent(QMouseEvent* event) {
    const int code = m_pressed;
    m_pressed = 0;
    if (event->button() != Qt::LeftButton || code == 0 ||
        HitCode(event->position().toPoint().x()) != code ||
        !rect().contains(event->position().toPoint()))
        return;
    if (code >= 9)
        ToggleDate(code - 9);
    else
        OpenDatePicker(code - 1);
}
