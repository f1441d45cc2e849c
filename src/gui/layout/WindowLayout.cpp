#include "layout/WindowLayout.h"

#include "calendar/CalEx.h"
#include "calendar/DateAccessPanel.h"
#include "common/DateTime.h"
#include "dialogs/MessageBox.h"
#include "file/Cp932.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "search/FocusTray.h"
#include "settings/DefaultsStore.h"
#include "settings/OptionDesc.h"
#include "shell/CommandTable.h"
#include "shell/MainForm.h"
#include "tree/ExplorerView.h"
#include "tree/OutlineModel.h"

#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <map>

namespace {

QColor colorOf(uint32_t bgr) {
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

void setBackground(QWidget* w, uint32_t bgr) {
    QPalette p = w->palette();
    p.setColor(QPalette::Base, colorOf(bgr));
    p.setColor(QPalette::Window, colorOf(bgr));
    w->setPalette(p);
}

QFont toFont(const TFontDesc& d) {
    QFont f;
    if (!d.Name.isEmpty())
        f.setFamily(Cp932::toUnicode(d.Name));
    if (d.Size > 0)
        f.setPointSize(d.Size);
    f.setBold(d.Bold);
    f.setItalic(d.Italic);
    f.setUnderline(d.Underline);
    return f;
}

// Name, size and styles from the widget; colour and character set stay.
void fromFont(const QFont& f, TFontDesc& d) {
    d.Name = Cp932::fromUnicode(f.family());
    if (f.pointSize() > 0)
        d.Size = f.pointSize();
    d.Bold = f.bold();
    d.Italic = f.italic();
    d.Underline = f.underline();
}

QString areaName(Qt::ToolBarArea area) {
    switch (area) {
    case Qt::BottomToolBarArea:
        return QStringLiteral("DockBottom");
    case Qt::LeftToolBarArea:
        return QStringLiteral("DockLeft");
    case Qt::RightToolBarArea:
        return QStringLiteral("DockRight");
    default:
        return QStringLiteral("DockTop");
    }
}

Qt::ToolBarArea areaOf(const QString& name) {
    if (name == QLatin1String("DockBottom"))
        return Qt::BottomToolBarArea;
    if (name == QLatin1String("DockLeft"))
        return Qt::LeftToolBarArea;
    if (name == QLatin1String("DockRight"))
        return Qt::RightToolBarArea;
    return Qt::TopToolBarArea;
}

} // namespace

TWindowLayout::TWindowLayout(TFormMain& form) : QObject(&form), m_form(form) {
    setObjectName(QStringLiteral("WindowLayout"));
    installHandlers();
    relayoutAccess();
}

TWindowLayout* TWindowLayout::of(TFormMain& form) {
    return form.findChild<TWindowLayout*>(QStringLiteral("WindowLayout"),
                                          Qt::FindDirectChildrenOnly);
}

void TWindowLayout::installHandlers() {
    TCommandTable& c = *m_form.Commands;
    c.setHandler(QStringLiteral("ItemWordWrapClick"), [this](int) { ItemWordWrapClick(); });
    c.setHandler(QStringLiteral("ItemShowTBRClick"), [this](int tag) { ItemShowTBRClick(tag); });
    c.setHandler(QStringLiteral("ItemShowStatusBarClick"),
                 [this](int) { ItemShowStatusBarClick(); });
    c.setHandler(QStringLiteral("ItemShowExViewClick"), [this](int) { ItemShowExViewClick(); });
    c.setHandler(QStringLiteral("ItemShowCalendarClick"), [this](int) { ItemShowCalendarClick(); });
    c.setHandler(QStringLiteral("ItemShowFocusTrayClick"),
                 [this](int) { ItemShowFocusTrayClick(); });
    c.setHandler(QStringLiteral("ItemShowTitlePanelClick"),
                 [this](int) { ItemShowTitlePanelClick(); });
    c.setHandler(QStringLiteral("ItemShowDatePanelClick"),
                 [this](int) { ItemShowDatePanelClick(); });
    c.setHandler(QStringLiteral("ItemShowRulerClick"), [this](int) { ItemShowRulerClick(); });
    c.setHandler(QStringLiteral("ItemShowLinkPanelClick"),
                 [this](int) { ItemShowLinkPanelClick(); });
    c.setHandler(QStringLiteral("ItemChangeSplitClick"), [this](int) { ItemChangeSplitClick(); });
    c.setHandler(QStringLiteral("ItemLoadSettingsClick"), [this](int) { ItemLoadSettingsClick(); });
    c.setHandler(QStringLiteral("ItemSaveSettingsClick"), [this](int) { ItemSaveSettingsClick(); });

    c.setHandler(QStringLiteral("MenuViewClick"), [](int) {});

    // View menu: the check marks follow what is shown.
    c.addStateUpdater([this]() {
        TCommandTable& t = *m_form.Commands;
        const char* const entries[6] = {"ItemShowTBRStandard", "ItemShowTBRMakeNode",
                                        "ItemShowTBRMoveNode", "ItemShowTBRStyle",
                                        "ItemShowTBRFind",     "ItemShowTBRView"};
        for (int i = 0; i < 6; ++i)
            if (QToolBar* bar = t.toolBar(QString::fromLatin1(ToolbarsByTag[i])))
                t.setChecked(QString::fromLatin1(entries[i]), !bar->isHidden());
        t.setChecked(QStringLiteral("ItemShowStatusBar"), !m_form.statusBar()->isHidden());
        t.setChecked(QStringLiteral("ItemShowExView"), !m_form.PanelLeft->isHidden());
        t.setChecked(QStringLiteral("TBShowExView"), !m_form.PanelLeft->isHidden());
        t.setChecked(QStringLiteral("ItemShowCalendar"), !m_form.PanelCalendar->isHidden());
        t.setChecked(QStringLiteral("TBShowCalendar"), !m_form.PanelCalendar->isHidden());
        t.setChecked(QStringLiteral("ItemShowFocusTray"), !m_form.ListViewFocus->isHidden());
        t.setChecked(QStringLiteral("TBShowFocusTray"), !m_form.ListViewFocus->isHidden());
        t.setChecked(QStringLiteral("ItemShowTitlePanel"), !m_form.PanelTitle->isHidden());
        t.setChecked(QStringLiteral("ItemShowDatePanel"), !m_form.PanelAccessDate->isHidden());
        t.setChecked(QStringLiteral("TBShowDate"), !m_form.PanelAccessDate->isHidden());
        t.setChecked(QStringLiteral("ItemShowRuler"), !m_form.KesRuler->isHidden());
        t.setChecked(QStringLiteral("ItemShowLinkPanel"), !m_form.LinkBox->isHidden());
        t.setChecked(QStringLiteral("TBShowLinkPanel"), !m_form.LinkBox->isHidden());
    });
    // Edit menu.
    c.addStateUpdater([this]() {
        TCommandTable& t = *m_form.Commands;
        t.setChecked(QStringLiteral("ItemWordWrap"),
                     m_form.RichEdit->lineWrapMode() != QTextEdit::NoWrap);
    });
}

QVBoxLayout* TWindowLayout::accessLayout() const {
    return static_cast<QVBoxLayout*>(m_form.PanelAccess->layout());
}

const char* const TWindowLayout::ToolbarsByTag[6] = {"TBRStandard", "TBRMakeNode", "TBRMoveNode",
                                                     "TBRStyle",    "TBRFind",     "TBRView"};

// ---- layout setters -------------------------------------------------------

void TWindowLayout::SetSplitVertical(bool vertical) {
    const int tree = vertical ? m_form.Options->TreeHeight : m_form.Options->TreeWidth;
    m_form.Splitter->setOrientation(vertical ? Qt::Vertical : Qt::Horizontal);
    // Vertical: the calendar sits right of the tree, always expanded.
    m_form.Splitter2->setOrientation(vertical ? Qt::Horizontal : Qt::Vertical);
    if (vertical)
        SetMaxCalendar(true);
    if (QWidget* min = m_form.PanelMonth->findChild<QWidget*>(QStringLiteral("IBMinCalendar")))
        min->setVisible(!vertical && m_maxCalendar);
    if (tree > 0) {
        const int total = vertical ? m_form.Splitter->height() : m_form.Splitter->width();
        m_form.Splitter->setSizes({tree, std::max(1, total - tree)});
    }
}

void TWindowLayout::SetTreeVisible(bool visible) {
    m_form.PanelLeft->setVisible(visible);
    syncViewButtons();
}

void TWindowLayout::SetStatusVisible(bool visible) {
    m_form.statusBar()->setVisible(visible);
    if (visible)
        m_form.RefreshStatusPosition();
}

void TWindowLayout::SetLinkPanelVisible(bool visible) {
    m_form.LinkBox->setVisible(visible);
    syncViewButtons();
}

void TWindowLayout::SetFocusTrayVisible(bool visible) {
    m_form.ListViewFocus->setVisible(visible);
    syncViewButtons();
}

void TWindowLayout::SetCalendarVisible(bool visible) {
    m_form.PanelCalendar->setVisible(visible);
    syncViewButtons();
}

void TWindowLayout::syncViewButtons() {
    // The view toolbar's buttons stay down exactly while their pane shows,
    // whatever showed or hid it.
    m_form.Commands->setChecked(QStringLiteral("TBShowExView"), !m_form.PanelLeft->isHidden());
    m_form.Commands->setChecked(QStringLiteral("TBShowCalendar"),
                                !m_form.PanelCalendar->isHidden());
    m_form.Commands->setChecked(QStringLiteral("TBShowFocusTray"),
                                !m_form.ListViewFocus->isHidden());
    m_form.Commands->setChecked(QStringLiteral("TBShowDate"), !m_form.PanelAccessDate->isHidden());
    m_form.Commands->setChecked(QStringLiteral("TBShowLinkPanel"), !m_form.LinkBox->isHidden());
}

void TWindowLayout::SetMaxCalendar(bool max) {
    m_maxCalendar = max;
    m_form.MonthlyCalendar1->setVisible(max);
    for (const char* name : {"IBPrevMonth", "IBToday", "IBNextMonth"})
        if (QWidget* b = m_form.PanelMonth->findChild<QWidget*>(QString::fromLatin1(name)))
            b->setVisible(max);
    if (QWidget* b = m_form.PanelMonth->findChild<QWidget*>(QStringLiteral("CFBMaxCalendar")))
        b->setVisible(!max);
    if (QWidget* b = m_form.PanelMonth->findChild<QWidget*>(QStringLiteral("IBMinCalendar")))
        b->setVisible(max && m_form.Splitter->orientation() == Qt::Horizontal);
    if (m_form.MaxCalendarChanged)
        m_form.MaxCalendarChanged(max);
}

void TWindowLayout::SetDatePanelVisible(bool visible) {
    m_form.PanelAccessDate->setVisible(visible);
    relayoutAccess();
    syncViewButtons();
}

void TWindowLayout::SetRulerVisible(bool visible) {
    m_form.KesRuler->setVisible(visible);
    relayoutAccess();
}

void TWindowLayout::SetTitlePanelVisible(bool visible) {
    m_form.PanelTitle->setVisible(visible);
    relayoutAccess();
}

void TWindowLayout::relayoutAccess() {
    // The title panel on top, then the date panel, then the ruler, then the page.
    for (QWidget* w : {m_form.PanelTitle, static_cast<QWidget*>(m_form.PanelAccessDate),
                       m_form.KesRuler, static_cast<QWidget*>(m_form.RichEdit)})
        accessLayout()->removeWidget(w);
    accessLayout()->addWidget(m_form.PanelTitle);
    accessLayout()->addWidget(m_form.PanelAccessDate);
    accessLayout()->addWidget(m_form.KesRuler);
    accessLayout()->addWidget(m_form.RichEdit, 1);
}

void TWindowLayout::SetWordWrap(bool wrap) {
    m_form.RichEdit->setUpdatesEnabled(false);
    m_form.RichEdit->setLineWrapMode(wrap ? QTextEdit::WidgetWidth : QTextEdit::NoWrap);
    m_form.RichEdit->setUpdatesEnabled(true);
}

void TWindowLayout::applyTreeSize() {
    const bool vertical = m_form.Splitter->orientation() == Qt::Vertical;
    int& size = vertical ? m_form.Options->TreeHeight : m_form.Options->TreeWidth;
    const int limit = (vertical ? m_form.Options->FormHeight : m_form.Options->FormWidth) * 3 / 4;
    if (size > limit)
        size = limit;
    const int total =
        std::max(vertical ? m_form.Options->FormHeight : m_form.Options->FormWidth, size + 1);
    m_form.Splitter->setSizes({size, std::max(1, total - size - m_form.Splitter->handleWidth())});
}

// ---- View menu ------------------------------------------------------------

void TWindowLayout::ItemShowTBRClick(int tag) {
    if (tag < 0 || tag > 5)
        return;
    if (QToolBar* bar = m_form.Commands->toolBar(QString::fromLatin1(ToolbarsByTag[tag])))
        bar->setVisible(bar->isHidden());
}

void TWindowLayout::ItemShowStatusBarClick() {
    SetStatusVisible(m_form.statusBar()->isHidden());
}
void TWindowLayout::ItemShowExViewClick() {
    SetTreeVisible(m_form.PanelLeft->isHidden());
}
void TWindowLayout::ItemShowCalendarClick() {
    SetCalendarVisible(m_form.PanelCalendar->isHidden());
}
void TWindowLayout::ItemShowFocusTrayClick() {
    SetFocusTrayVisible(m_form.ListViewFocus->isHidden());
}
void TWindowLayout::ItemShowTitlePanelClick() {
    SetTitlePanelVisible(m_form.PanelTitle->isHidden());
}
void TWindowLayout::ItemShowDatePanelClick() {
    SetDatePanelVisible(m_form.PanelAccessDate->isHidden());
}
void TWindowLayout::ItemShowRulerClick() {
    SetRulerVisible(m_form.KesRuler->isHidden());
}
void TWindowLayout::ItemShowLinkPanelClick() {
    SetLinkPanelVisible(m_form.LinkBox->isHidden());
}

void TWindowLayout::ItemChangeSplitClick() {
    // Keep the pane's current size for the direction being left.
    if (m_form.ShownOnce() && m_form.PanelLeft->isVisibleTo(&m_form)) {
        if (m_form.Splitter->orientation() == Qt::Vertical)
            m_form.Options->TreeHeight = m_form.PanelLeft->height();
        else
            m_form.Options->TreeWidth = m_form.PanelLeft->width();
    }
    SetSplitVertical(m_form.Splitter->orientation() == Qt::Horizontal);
}

void TWindowLayout::ItemWordWrapClick() {
    SetWordWrap(m_form.RichEdit->lineWrapMode() == QTextEdit::NoWrap);
}

void TWindowLayout::ItemLoadSettingsClick() {
    m_form.Options->LoadDefaults();
    ApplyToWindow();
}

void TWindowLayout::ItemSaveSettingsClick() {
    CaptureFromWindow();
    try {
        m_form.Options->SaveDefaults();
    } catch (const ESettingsStoreError& e) {
        MessageBox::critical(&m_form, QStringLiteral("WrenNOTE"), e.message());
    }
}

// ---- settings <-> window --------------------------------------------------

void TWindowLayout::rebuildColumns() {
    m_form.ListViewFocus->RebuildColumns(*m_form.Options);
}

void TWindowLayout::ApplyToWindow() {
    TFormMain& form = m_form;
    TOptionDesc& o = *form.Options;
    // Colours.
    form.TrayIcon1->setVisible(o.StayOn && QSystemTrayIcon::isSystemTrayAvailable());
    setBackground(form.EditTitle, o.BackColorTitle);
    setBackground(form.TitlePadding, o.BackColorTitle);
    setBackground(form.RichEdit, o.BackColorText);
    setBackground(form.LinkBox, o.BackColorLink);
    // Focus tray columns, label images, fonts.
    rebuildColumns();
    const QFont treeFont = toFont(o.TreeViewFont);
    form.ExplorerView->setFont(treeFont);
    form.TreeModel->setBaseFont(treeFont); // every caption and image again
    form.EditTitle->setFont(toFont(o.TitleFont));
    form.LinkBox->setFont(toFont(o.LinkFont));
    form.ListViewFocus->setFont(o.ListViewFont.Name.isEmpty() ? QApplication::font()
                                                              : toFont(o.ListViewFont));
    // Geometry and panes.
    form.setUpdatesEnabled(false);
    if (o.FormState == 0) {
        form.setWindowState(Qt::WindowNoState);
        form.setGeometry(o.FormLeft, o.FormTop, std::max(o.FormWidth, 100),
                         std::max(o.FormHeight, 100));
    } else {
        form.setWindowState(o.FormState == 1 ? Qt::WindowMinimized : Qt::WindowMaximized);
    }
    SetSplitVertical(o.SplitVertical);
    applyTreeSize();
    SetTreeVisible(o.TreeVisible);
    SetStatusVisible(o.StatusVisible);
    SetLinkPanelVisible(o.LinkPanelVisible);
    SetDatePanelVisible(o.DatePanelVisible);
    SetRulerVisible(o.ShowRuler);
    SetCalendarVisible(o.ShowCalendar);
    SetMaxCalendar(o.MaxCalendar);
    {
        // Through the splitter, so that the user can still drag the calendar
        // larger or smaller. Side by side the panel holds the month row above
        // the month calendar (only the row when reduced).
        const int calendar = std::max(0, int(o.CalendarHeight));
        const int row = form.PanelMonth->sizeHint().height();
        const int panel = o.SplitVertical ? calendar : o.MaxCalendar ? calendar + row : row + 2;
        const QList<int> s = form.Splitter2->sizes();
        const int total = std::max({s.size() == 2 ? s[0] + s[1] : 0,
                                    o.SplitVertical ? o.FormWidth : o.FormHeight, panel + 1});
        form.Splitter2->setSizes({std::max(1, total - panel), panel});
    }
    const QList<int> rs = form.Splitter3->sizes();
    const int rtotal = rs.size() == 2 ? rs[0] + rs[1] : 0;
    form.Splitter3->setSizes({int(o.ListViewHeight), std::max(1, rtotal - int(o.ListViewHeight))});
    SetFocusTrayVisible(o.ListViewVisible);
    SetWordWrap(o.WordWrap);
    form.setUpdatesEnabled(true);
    form.Commands->updateStates();
}

void TWindowLayout::CaptureFromWindow() {
    TFormMain& form = m_form;
    TOptionDesc& o = *form.Options;
    if (form.isMinimized())
        o.FormState = 1;
    else if (form.isMaximized())
        o.FormState = 2;
    else
        o.FormState = 0;
    const QRect g = form.geometry();
    o.FormLeft = g.x();
    o.FormTop = g.y();
    o.FormWidth = g.width();
    o.FormHeight = g.height();
    o.SplitVertical = form.Splitter->orientation() == Qt::Vertical;
    // A pane that was never laid out, or is hidden now, has no size of its
    // own: the size it had stays in the settings.
    auto laidOut = [&form](const QWidget* w) { return form.ShownOnce() && w->isVisibleTo(&form); };
    if (laidOut(form.PanelLeft)) {
        if (o.SplitVertical)
            o.TreeHeight = form.PanelLeft->height();
        else
            o.TreeWidth = form.PanelLeft->width();
    }
    o.TreeVisible = !form.PanelLeft->isHidden();
    o.StatusVisible = !form.statusBar()->isHidden();
    o.LinkPanelVisible = !form.LinkBox->isHidden();
    o.DatePanelVisible = !form.PanelAccessDate->isHidden();
    o.ShowRuler = !form.KesRuler->isHidden();
    o.ShowCalendar = !form.PanelCalendar->isHidden();
    o.MaxCalendar = m_maxCalendar;
    if (o.SplitVertical ? laidOut(form.PanelCalendar) : laidOut(form.MonthlyCalendar1))
        o.CalendarHeight =
            o.SplitVertical ? form.PanelCalendar->width() : form.MonthlyCalendar1->height();
    o.ListViewVisible = !form.ListViewFocus->isHidden();
    if (laidOut(form.ListViewFocus))
        o.ListViewHeight = form.ListViewFocus->height();
    o.WordWrap = form.RichEdit->lineWrapMode() != QTextEdit::NoWrap;
    fromFont(form.ExplorerView->font(), o.TreeViewFont);
    fromFont(form.EditTitle->font(), o.TitleFont);
    fromFont(form.LinkBox->font(), o.LinkFont);
    if (!o.ListViewFont.Name.isEmpty() || form.ListViewFocus->font() != QApplication::font())
        fromFont(form.ListViewFocus->font(), o.ListViewFont);
    // The width the user gave each column; the last one is not stretched.
    const int count = std::min(form.ListViewFocus->columnCount(), int(TOptionDesc::MaxColumns));
    for (int i = 0; i < count && i < o.ColumnCount; ++i)
        o.Columns[size_t(i)].Width = form.ListViewFocus->columnWidth(i);
}

// ---- toolbar positions ----------------------------------------------------

void TWindowLayout::LoadToolbarLayout() {
    std::unique_ptr<QSettings> store = OpenDefaultsStore();
    struct Placement {
        QToolBar* bar;
        bool visible;
        QString dock;
        int row, pos;
    };
    std::vector<Placement> placed;
    int order = 0;
    for (QToolBar* bar : m_form.Commands->toolBars()) {
        store->beginGroup(bar->objectName());
        const QString rev = DefaultsStore::readText(*store, QStringLiteral("Rev"));
        bool ok = false;
        if (!rev.isNull() && DefaultsStore::parseInteger(rev, &ok) == 2 && ok) {
            auto num = [&](const char* key, int def) {
                bool good = false;
                const qint64 v = DefaultsStore::parseInteger(
                    DefaultsStore::readText(*store, QString::fromLatin1(key)), &good);
                return good ? int(v) : def;
            };
            // A floating bar is docked again at the top: Qt cannot float one by program.
            QString dock = DefaultsStore::readText(*store, QStringLiteral("DockedTo"));
            if (dock.isEmpty() || dock == QLatin1String("+"))
                dock = QStringLiteral("DockTop");
            placed.push_back({bar, num("Visible", 1) != 0, dock, num("DockRow", 0),
                              num("DockPos", order * 1000)});
        } else {
            placed.push_back({bar, true, QStringLiteral("DockTop"), 0, order * 1000});
        }
        store->endGroup();
        ++order;
    }
    std::stable_sort(placed.begin(), placed.end(), [](const Placement& a, const Placement& b) {
        if (a.dock != b.dock)
            return a.dock < b.dock;
        return a.row != b.row ? a.row < b.row : a.pos < b.pos;
    });
    std::map<QString, int> lastRow;
    for (const Placement& p : placed) {
        const Qt::ToolBarArea area = areaOf(p.dock);
        m_form.removeToolBar(p.bar);
        auto it = lastRow.find(p.dock);
        if (it != lastRow.end() && it->second != p.row)
            m_form.addToolBarBreak(area);
        lastRow[p.dock] = p.row;
        m_form.addToolBar(area, p.bar);
        p.bar->setVisible(p.visible);
    }
}

void TWindowLayout::SaveToolbarLayout() {
    std::unique_ptr<QSettings> store = OpenDefaultsStore();
    const QList<QToolBar*> bars = m_form.Commands->toolBars();
    // Rows: bars of one area on the same line (same y for horizontal areas).
    for (QToolBar* bar : bars) {
        const Qt::ToolBarArea area = m_form.toolBarArea(bar);
        const bool horizontal = area == Qt::TopToolBarArea || area == Qt::BottomToolBarArea;
        auto across = [horizontal](const QToolBar* b) { return horizontal ? b->y() : b->x(); };
        auto along = [horizontal](const QToolBar* b) { return horizontal ? b->x() : b->y(); };
        QList<int> lines;
        for (QToolBar* other : bars)
            if (!other->isFloating() && m_form.toolBarArea(other) == area &&
                !lines.contains(across(other)))
                lines << across(other);
        std::sort(lines.begin(), lines.end());
        store->beginGroup(bar->objectName());
        store->setValue(QStringLiteral("Rev"), QStringLiteral("2"));
        store->setValue(QStringLiteral("Visible"),
                        bar->isHidden() ? QStringLiteral("0") : QStringLiteral("1"));
        if (bar->isFloating()) {
            store->setValue(QStringLiteral("DockedTo"), QStringLiteral("+"));
            store->setValue(QStringLiteral("DockRow"), QStringLiteral("0"));
            store->setValue(QStringLiteral("DockPos"), QStringLiteral("0"));
            store->setValue(QStringLiteral("FloatLeft"), QString::number(bar->x()));
            store->setValue(QStringLiteral("FloatTop"), QString::number(bar->y()));
        } else {
            store->setValue(QStringLiteral("DockedTo"), areaName(area));
            store->setValue(QStringLiteral("DockRow"),
                            QString::number(std::max(0, int(lines.indexOf(across(bar))))));
            store->setValue(QStringLiteral("DockPos"), QString::number(along(bar)));
            store->setValue(QStringLiteral("FloatLeft"), QStringLiteral("0"));
            store->setValue(QStringLiteral("FloatTop"), QStringLiteral("0"));
        }
        store->endGroup();
    }
    store->sync();
}
