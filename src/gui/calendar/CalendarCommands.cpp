#include "calendar/CalendarCommands.h"

#include "calendar/CalEx.h"
#include "calendar/DateAccessPanel.h"
#include "calendar/DayLists.h"
#include "calendar/DueIndex.h"
#include "common/Clock.h"
#include "common/DateFormat.h"
#include "common/DateTime.h"
#include "file/Cp932.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "settings/OptionDesc.h"
#include "shell/CommandTable.h"
#include "shell/MainForm.h"
#include "tree/ExplorerView.h"
#include "tree/ItemCommands.h"

#include <QBoxLayout>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QSplitter>
#include <QStyle>
#include <QTimer>
#include <QToolButton>

namespace {

QToolButton* monthButton(TFormMain& form, const char* name) {
    return form.PanelMonth->findChild<QToolButton*>(QString::fromLatin1(name));
}

double dayValue(int32_t julius) {
    return WrenDate::fromDate(QDate::fromJulianDay(julius));
}

} // namespace

TCalendarCommands::TCalendarCommands(TFormMain& form)
    : QObject(&form), m_form(form), m_calendar(form.MonthlyCalendar1),
      m_panel(form.PanelAccessDate), m_index(new TDueIndex(*form.Outline, this)),
      m_timer(new QTimer(this)) {
    setObjectName(QStringLiteral("CalendarCommands"));
    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, &TCalendarCommands::Timer1Timer);

    // The calendar.
    m_calendar->SetMainWindowStyle();
    m_calendar->setToolTip(QString()); // day names come per cell
    m_calendar->setAccessibleName(QStringLiteral("カレンダー"));
    m_calendar->DueCount = [this](int32_t day) { return m_index->OpenCountOn(day); };
    connect(m_index, &TDueIndex::changed, m_calendar, qOverload<>(&QWidget::update));
    connect(m_calendar, &TMonthlyCalendar::dayChanged, this,
            &TCalendarCommands::MonthlyCalendar1DayChange);
    connect(m_calendar, &TMonthlyCalendar::clicked, this,
            [this]() { m_form.Commands->guarded([this] { MonthlyCalendar1Click(); }); });
    connect(m_calendar, &TMonthlyCalendar::doubleClicked, this,
            [this]() { m_form.Commands->guarded([this] { MonthlyCalendar1DblClick(); }); });
    connect(m_calendar, &TMonthlyCalendar::keyReleased, this,
            &TCalendarCommands::MonthlyCalendar1KeyUp);
    connect(m_calendar, &TMonthlyCalendar::firstPaint, this,
            &TCalendarCommands::showDayListProblem);
    setUpMonthBar();
    m_form.MaxCalendarChanged = [this](bool max) { followMaxCalendar(max); };
    LoadDayLists();

    // The date panel follows the current item.
    m_panel->Bevel = TDateAccessPanel::BevelRaised;
    m_panel->setAccessibleName(QStringLiteral("日付パネル"));
    m_form.Commands->addStateUpdater([this]() { syncDatePanel(); });
    TOutline* outline = m_form.Outline;
    // Connected after the window's own handlers, which forget the current
    // item first.
    connect(outline, &TOutline::aboutToReset, this, [this]() { syncDatePanel(); });
    connect(outline, &TOutline::nodeAboutToBeRemoved, this, [this]() { syncDatePanel(); });
    connect(outline, &TOutline::nodeChanged, this, [this](TOutlineNode* node, int) {
        TLeafNote* item = m_form.CurrentItem;
        if (item && node == item->TreeNode && item == m_panelItem) {
            // Another command set a date (progress, finish): show it, as the
            // panel's own change, without counting it twice.
            const bool changed = m_panel->DatesChanged;
            m_panel->LoadDates(
                {item->CreatedDate, item->ModifiedDate, item->DueDate, item->FinishDate});
            m_panel->DatesChanged = changed;
        }
    });
    syncDatePanel();
}

TCalendarCommands* TCalendarCommands::of(TFormMain& form) {
    return form.findChild<TCalendarCommands*>(QStringLiteral("CalendarCommands"),
                                              Qt::FindDirectChildrenOnly);
}

// ---- month bar ----------------------------------------------------------------

void TCalendarCommands::setUpMonthBar() {
    auto* layout = qobject_cast<QBoxLayout*>(m_form.PanelMonth->layout());
    m_caption = new QLabel(m_form.PanelMonth);
    m_caption->setObjectName(QStringLiteral("MonthCaption"));
    m_caption->setAlignment(Qt::AlignCenter);
    // A narrow tree pane cuts the caption rather than the pane growing.
    m_caption->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_caption->setMinimumWidth(0);
    if (layout)
        layout->insertWidget(1, m_caption, 1);
    const struct {
        const char* name;
        const char* hint;
        int tag;
    } buttons[] = {{"IBPrevMonth", "前月", 1}, {"IBToday", "今日", 2}, {"IBNextMonth", "次月", 3}};
    for (const auto& b : buttons) {
        QToolButton* button = monthButton(m_form, b.name);
        if (!button)
            continue;
        const QString hint = QString::fromUtf8(b.hint);
        button->setEnabled(true);
        button->setToolTip(hint);
        button->setAccessibleName(hint);
        if (b.tag == 1)
            button->setArrowType(Qt::LeftArrow);
        else if (b.tag == 3)
            button->setArrowType(Qt::RightArrow);
        button->setToolButtonStyle(b.tag == 2 ? Qt::ToolButtonTextOnly : Qt::ToolButtonIconOnly);
        button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        const int tag = b.tag;
        connect(button, &QToolButton::clicked, this, [this, tag]() {
            m_form.Commands->guarded([this, tag] { IBChangeMonthClick(tag); });
        });
    }
    if (QToolButton* min = monthButton(m_form, "IBMinCalendar")) {
        const QString hint = QStringLiteral("現在の日時を表示");
        min->setEnabled(true);
        min->setToolTip(hint);
        min->setAccessibleName(hint);
        min->setIcon(min->style()->standardIcon(QStyle::SP_TitleBarMinButton));
        min->setToolButtonStyle(Qt::ToolButtonIconOnly);
        min->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        connect(min, &QToolButton::clicked, this,
                [this]() { m_form.Commands->guarded([this] { IBMinCalendarClick(); }); });
    }
    if (QToolButton* max = monthButton(m_form, "CFBMaxCalendar")) {
        const QString hint = QStringLiteral("カレンダー表示");
        max->setEnabled(true);
        max->setToolTip(hint);
        max->setAccessibleName(hint);
        max->setToolButtonStyle(Qt::ToolButtonTextOnly);
        // Fills the bar, as wide as the bar allows.
        max->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        if (layout)
            layout->setStretchFactor(max, 1);
        connect(max, &QToolButton::clicked, this,
                [this]() { m_form.Commands->guarded([this] { CFBMaxCalendarClick(); }); });
    }
    MonthlyCalendar1DayChange(m_calendar->Year(), m_calendar->Month(), m_calendar->Day());
}

void TCalendarCommands::MonthlyCalendar1DayChange(int year, int month, int) {
    m_caption->setText(QStringLiteral("%1 - %2").arg(year).arg(month));
}

void TCalendarCommands::IBChangeMonthClick(int tag) {
    switch (tag) {
    case 1:
        m_calendar->PrevMonth();
        break;
    case 2:
        ShowToday();
        break;
    case 3:
        m_calendar->NextMonth();
        break;
    default:
        break;
    }
}

void TCalendarCommands::ShowToday() {
    int32_t today = 0;
    if (!TDueIndex::DayOf(Clock::today(), today))
        return;
    m_calendar->SetJuliusDay(today);
    MonthlyCalendar1DayChange(m_calendar->Year(), m_calendar->Month(), m_calendar->Day());
}

void TCalendarCommands::SetCalendarMaximized(bool max) {
    const bool sideBySide = m_form.Splitter2->orientation() == Qt::Vertical;
    const int bar = m_form.PanelMonth->sizeHint().height();
    int calendar = m_calendar->isVisibleTo(&m_form) ? m_calendar->height() : 0;
    if (calendar <= 0)
        calendar = std::max(40, int(m_form.Options->CalendarHeight));
    m_form.SetMaxCalendar(max);
    if (!sideBySide)
        return;
    const int panel = max ? bar + calendar + 2 : bar + 2;
    const QList<int> s = m_form.Splitter2->sizes();
    const int total = s.size() == 2 ? s[0] + s[1] : 0;
    if (total > panel)
        m_form.Splitter2->setSizes({total - panel, panel});
}

void TCalendarCommands::followMaxCalendar(bool max) {
    const bool sideBySide = m_form.Splitter2->orientation() == Qt::Vertical;
    if (QSplitterHandle* handle = m_form.Splitter2->handle(1))
        handle->setVisible(max || !sideBySide);
    m_caption->setVisible(max);
    if (max) {
        m_timer->stop();
        m_form.PanelCalendar->setMaximumHeight(QWIDGETSIZE_MAX);
        ShowToday();
    } else {
        if (sideBySide)
            m_form.PanelCalendar->setMaximumHeight(m_form.PanelMonth->sizeHint().height() + 2);
        Timer1Timer();
        m_timer->start();
    }
}

void TCalendarCommands::Timer1Timer() {
    if (!m_calendar->isHidden())
        return;
    if (QToolButton* max = monthButton(m_form, "CFBMaxCalendar"))
        max->setText(
            FormatWrenDate(Cp932::toUnicode(m_form.Options->DateViewFormat), Clock::now()));
}

// ---- day actions --------------------------------------------------------------

void TCalendarCommands::MonthlyCalendar1Click() {
    m_calendar->setFocus(Qt::MouseFocusReason);
    m_form.StorePage();
    const int32_t day = m_calendar->JuliusDay();
    const std::vector<TLeafNote*> items = m_index->ItemsDueOn(day);
    if (ListDueItems)
        ListDueItems(dayValue(day), items);
}

void TCalendarCommands::MonthlyCalendar1DblClick() {
    TOutlineNode* ref = m_form.CurrentItem ? m_form.CurrentItem->TreeNode : nullptr;
    TLeafNote* item = TLeafNote::Create(*m_form.Outline, InsertBelow, ref);
    item->AssignNodeId();
    const double due = dayValue(m_calendar->JuliusDay());
    item->SetDate(DateDue, due);
    // Titled before it is listed: a row shows the item as it was then.
    bool lossy = false;
    item->SetTitle(Cp932::fromUnicode(
        FormatWrenDate(Cp932::toUnicode(m_form.Options->DateFormat), due), &lossy));
    if (lossy)
        m_form.ShowLossyTitleNotice();
    MonthlyCalendar1Click();
    m_form.ExplorerView->selectNode(item->TreeNode);
    m_form.GoToItem(item);
    TItemCommands::of(m_form)->ItemRenameNodeClick();
    m_form.RefreshStatusPosition();
}

void TCalendarCommands::MonthlyCalendar1KeyUp(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept();
        m_form.Commands->guarded([this] { MonthlyCalendar1DblClick(); });
        break;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
        event->accept();
        m_form.Commands->guarded([this] { MonthlyCalendar1Click(); });
        break;
    default:
        break;
    }
}

// ---- day lists ----------------------------------------------------------------

void TCalendarCommands::LoadDayLists() {
    QStringList problems;
    QString error;
    if (!DayLists::InstallDefaults(&error))
        problems << error;
    const DayLists::TReadResult holidays = DayLists::Read(DayLists::HolidayFile());
    const DayLists::TReadResult special = DayLists::Read(DayLists::SpecialDayFile());
    for (const auto* r : {&holidays, &special}) {
        if (!r->Error.isEmpty())
            problems << r->Error;
        const QString name =
            QFileInfo(r == &holidays ? DayLists::HolidayFile() : DayLists::SpecialDayFile())
                .fileName();
        const QString bad = DayLists::DescribeBadLines(name, r->BadLines);
        if (!bad.isEmpty())
            problems << bad + QStringLiteral("は日付の形式でないため読み飛ばしました");
    }
    m_calendar->SetHolidayList(holidays.Entries);
    m_calendar->SetSpecialDayList(special.Entries);
    m_dayListProblem = problems.join(QStringLiteral("。"));
    if (m_calendar->isVisible())
        showDayListProblem();
}

void TCalendarCommands::showDayListProblem() {
    if (m_dayListProblem.isEmpty())
        return;
    // Once: the next reading of the lists tells again.
    const QString text = m_dayListProblem;
    m_dayListProblem.clear();
    QTimer::singleShot(0, this, [this, text]() { m_form.ShowStatusMessage(text); });
}

// ---- date panel ---------------------------------------------------------------

void TCalendarCommands::syncDatePanel() {
    if (m_panelLoaded && m_form.CurrentItem == m_panelItem)
        return;
    loadDatePanel();
}

void TCalendarCommands::loadDatePanel() {
    TLeafNote* item = m_form.CurrentItem;
    m_panelItem = item;
    m_panelLoaded = true;
    m_panel->OnDateChange = nullptr;
    if (!item) {
        m_panel->LoadDates({0, 0, 0, 0});
        m_panel->setEnabled(false);
        return;
    }
    m_panel->LoadDates({item->CreatedDate, item->ModifiedDate, item->DueDate, item->FinishDate});
    m_panel->setEnabled(true);
    m_panel->OnDateChange = [this](int index, double value) {
        if (TLeafNote* current = m_form.CurrentItem) {
            current->SetDate(index, value);
            m_form.DateChanged = true;
        }
    };
    if (m_form.Options->DateAuto)
        m_form.SetDatePanelVisible(item->DueDate != 0 || item->FinishDate != 0);
}

void InstallCalendarCommands(TFormMain& form) {
    if (!TCalendarCommands::of(form))
        new TCalendarCommands(form);
}
