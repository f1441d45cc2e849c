// The window layout: View menu commands, layout setters, the layout settings
// taken from and put back into the window, and the toolbar positions.
#include "shell/MainForm.h"

#include "calendar/CalEx.h"
#include "calendar/DateAccessPanel.h"

#include "common/DateTime.h"
#include "common/ProgramFolder.h"
#include "dialogs/MessageBox.h"
#include "file/Cp932.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "search/FocusTray.h"
#include "settings/DefaultsStore.h"
#include "settings/OptionDesc.h"
#include "shell/CommandTable.h"
#include "shell/DocumentCommands.h"
#include "tree/ExplorerView.h"
#include "tree/ItemCommands.h"
#include "tree/OutlineModel.h"

#include <QAction>
#include <QApplication>
#include <QDir>
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

const char* const TFormMain::ToolbarsByTag[6] = {"TBRStandard", "TBRMakeNode", "TBRMoveNode",
                                                 "TBRStyle",    "TBRFind",     "TBRView"};

// ---- layout setters -------------------------------------------------------

void TFormMain::SetSplitVertical(bool vertical) {
    const int tree = vertical ? Options->TreeHeight : Options->TreeWidth;
    Splitter->setOrientation(vertical ? Qt::Vertical : Qt::Horizontal);
    // Vertical: the calendar sits right of the tree, always expanded.
    Splitter2->setOrientation(vertical ? Qt::Horizontal : Qt::Vertical);
    if (vertical)
        SetMaxCalendar(true);
    if (QWidget* min = PanelMonth->findChild<QWidget*>(QStringLiteral("IBMinCalendar")))
        min->setVisible(!vertical && m_maxCalendar);
    if (tree > 0) {
        const int total = vertical ? Splitter->height() : Splitter->width();
        Splitter->setSizes({tree, std::max(1, total - tree)});
    }
}

void TFormMain::SetTreeVisible(bool visible) {
    PanelLeft->setVisible(visible);
    syncViewButtons();
}

void TFormMain::SetStatusVisible(bool visible) {
    statusBar()->setVisible(visible);
    if (visible)
        RefreshStatusPosition();
}

void TFormMain::SetLinkPanelVisible(bool visible) {
    LinkBox->setVisible(visible);
    syncViewButtons();
}

void TFormMain::SetFocusTrayVisible(bool visible) {
    ListViewFocus->setVisible(visible);
    syncViewButtons();
}

void TFormMain::SetCalendarVisible(bool visible) {
    PanelCalendar->setVisible(visible);
    syncViewButtons();
}

void TFormMain::syncViewButtons() {
    // The view toolbar's buttons stay down exactly while their pane shows,
    // whatever showed or hid it.
    Commands->setChecked(QStringLiteral("TBShowExView"), !PanelLeft->isHidden());
    Commands->setChecked(QStringLiteral("TBShowCalendar"), !PanelCalendar->isHidden());
    Commands->setChecked(QStringLiteral("TBShowFocusTray"), !ListViewFocus->isHidden());
    Commands->setChecked(QStringLiteral("TBShowDate"), !PanelAccessDate->isHidden());
    Commands->setChecked(QStringLiteral("TBShowLinkPanel"), !LinkBox->isHidden());
}

void TFormMain::SetMaxCalendar(bool max) {
    m_maxCalendar = max;
    MonthlyCalendar1->setVisible(max);
    for (const char* name : {"IBPrevMonth", "IBToday", "IBNextMonth"})
        if (QWidget* b = PanelMonth->findChild<QWidget*>(QString::fromLatin1(name)))
            b->setVisible(max);
    if (QWidget* b = PanelMonth->findChild<QWidget*>(QStringLiteral("CFBMaxCalendar")))
        b->setVisible(!max);
    if (QWidget* b = PanelMonth->findChild<QWidget*>(QStringLiteral("IBMinCalendar")))
        b->setVisible(max && Splitter->orientation() == Qt::Horizontal);
    if (MaxCalendarChanged)
        MaxCalendarChanged(max);
}

void TFormMain::SetDatePanelVisible(bool visible) {
    PanelAccessDate->setVisible(visible);
    relayoutAccess();
    syncViewButtons();
}

void TFormMain::SetRulerVisible(bool visible) {
    KesRuler->setVisible(visible);
    relayoutAccess();
}

void TFormMain::SetTitlePanelVisible(bool visible) {
    PanelTitle->setVisible(visible);
    relayoutAccess();
}

void TFormMain::relayoutAccess() {
    // The title panel on top, then the date panel, then the ruler, then the page.
    for (QWidget* w : {PanelTitle, static_cast<QWidget*>(PanelAccessDate), KesRuler,
                       static_cast<QWidget*>(RichEdit)})
        m_accessLayout->removeWidget(w);
    m_accessLayout->addWidget(PanelTitle);
    m_accessLayout->addWidget(PanelAccessDate);
    m_accessLayout->addWidget(KesRuler);
    m_accessLayout->addWidget(RichEdit, 1);
}

void TFormMain::SetWordWrap(bool wrap) {
    RichEdit->setUpdatesEnabled(false);
    RichEdit->setLineWrapMode(wrap ? QTextEdit::WidgetWidth : QTextEdit::NoWrap);
    RichEdit->setUpdatesEnabled(true);
}

void TFormMain::applyTreeSize() {
    const bool vertical = Splitter->orientation() == Qt::Vertical;
    int& size = vertical ? Options->TreeHeight : Options->TreeWidth;
    const int limit = (vertical ? Options->FormHeight : Options->FormWidth) * 3 / 4;
    if (size > limit)
        size = limit;
    const int total = std::max(vertical ? Options->FormHeight : Options->FormWidth, size + 1);
    Splitter->setSizes({size, std::max(1, total - size - Splitter->handleWidth())});
}

// ---- View menu ------------------------------------------------------------

void TFormMain::ItemShowTBRClick(int tag) {
    if (tag < 0 || tag > 5)
        return;
    if (QToolBar* bar = Commands->toolBar(QString::fromLatin1(ToolbarsByTag[tag])))
        bar->setVisible(bar->isHidden());
}

void TFormMain::ItemShowStatusBarClick() {
    SetStatusVisible(statusBar()->isHidden());
}
void TFormMain::ItemShowExViewClick() {
    SetTreeVisible(PanelLeft->isHidden());
}
void TFormMain::ItemShowCalendarClick() {
    SetCalendarVisible(PanelCalendar->isHidden());
}
void TFormMain::ItemShowFocusTrayClick() {
    SetFocusTrayVisible(ListViewFocus->isHidden());
}
void TFormMain::ItemShowTitlePanelClick() {
    SetTitlePanelVisible(PanelTitle->isHidden());
}
void TFormMain::ItemShowDatePanelClick() {
    SetDatePanelVisible(PanelAccessDate->isHidden());
}
void TFormMain::ItemShowRulerClick() {
    SetRulerVisible(KesRuler->isHidden());
}
void TFormMain::ItemShowLinkPanelClick() {
    SetLinkPanelVisible(LinkBox->isHidden());
}

void TFormMain::ItemChangeSplitClick() {
    // Keep the pane's current size for the direction being left.
    if (m_shownOnce && PanelLeft->isVisibleTo(this)) {
        if (Splitter->orientation() == Qt::Vertical)
            Options->TreeHeight = PanelLeft->height();
        else
            Options->TreeWidth = PanelLeft->width();
    }
    SetSplitVertical(Splitter->orientation() == Qt::Horizontal);
}

void TFormMain::ItemTitleClick(int tag) {
    TItemCommands::of(*this)->ItemTitleClick(tag);
}

void TFormMain::ItemWordWrapClick() {
    SetWordWrap(RichEdit->lineWrapMode() == QTextEdit::NoWrap);
}

void TFormMain::ItemLoadSettingsClick() {
    Options->LoadDefaults();
    ApplySettings();
}

void TFormMain::ItemSaveSettingsClick() {
    CaptureSettings();
    try {
        Options->SaveDefaults();
    } catch (const ESettingsStoreError& e) {
        MessageBox::critical(this, QStringLiteral("WrenNOTE"), e.message());
    }
}

void TFormMain::ItemOpenManualClick() {
    const QString folder = ProgramFolder();
    auto manuals = [&folder] {
        return QDir(folder).entryList({QStringLiteral("Manual*.wrn")}, QDir::Files, QDir::Name);
    };
    QStringList found = manuals();
    // The shipped manual is read-only; the program folder gets a copy the
    // user can keep notes in.
    QString error;
    if (found.isEmpty() && InstallShippedFile(QStringLiteral("Manual.wrn"), QString(), &error))
        found = manuals();
    if (found.isEmpty()) {
        MessageBox::information(this, QStringLiteral("WrenNOTE"),
                                QStringLiteral("マニュアルが見つかりませんでした。"));
        return;
    }
    // Our own program rather than the desktop's choice: .wrn files need not
    // be registered for the manual to open.
    if (!TDocumentCommands::StartInstance({QDir(folder).filePath(found.first())}))
        MessageBox::critical(this, QStringLiteral("WrenNOTE"),
                             QStringLiteral("マニュアルを開けませんでした。"));
}

// ---- settings <-> window --------------------------------------------------

void TFormMain::ApplySettings() {
    ApplyToWindow(*this);
}
void TFormMain::CaptureSettings() {
    CaptureFromWindow(*this);
}

void TFormMain::rebuildColumns() {
    ListViewFocus->RebuildColumns(*Options);
}

void ApplyToWindow(TFormMain& form) {
    TOptionDesc& o = *form.Options;
    // Colours.
    form.TrayIcon1->setVisible(o.StayOn && QSystemTrayIcon::isSystemTrayAvailable());
    setBackground(form.EditTitle, o.BackColorTitle);
    setBackground(form.TitlePadding, o.BackColorTitle);
    setBackground(form.RichEdit, o.BackColorText);
    setBackground(form.LinkBox, o.BackColorLink);
    // Focus tray columns, label images, fonts.
    form.rebuildColumns();
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
    form.SetSplitVertical(o.SplitVertical);
    form.applyTreeSize();
    form.SetTreeVisible(o.TreeVisible);
    form.SetStatusVisible(o.StatusVisible);
    form.SetLinkPanelVisible(o.LinkPanelVisible);
    form.SetDatePanelVisible(o.DatePanelVisible);
    form.SetRulerVisible(o.ShowRuler);
    form.SetCalendarVisible(o.ShowCalendar);
    form.SetMaxCalendar(o.MaxCalendar);
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
    form.SetFocusTrayVisible(o.ListViewVisible);
    form.SetWordWrap(o.WordWrap);
    form.setUpdatesEnabled(true);
    form.Commands->updateStates();
}

void CaptureFromWindow(TFormMain& form) {
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
    auto laidOut = [&form](const QWidget* w) { return form.m_shownOnce && w->isVisibleTo(&form); };
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
    o.MaxCalendar = form.m_maxCalendar;
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

void TFormMain::loadToolbarLayout() {
    std::unique_ptr<QSettings> store = OpenDefaultsStore();
    struct Placement {
        QToolBar* bar;
        bool visible;
        QString dock;
        int row, pos;
    };
    std::vector<Placement> placed;
    int order = 0;
    for (QToolBar* bar : Commands->toolBars()) {
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
        removeToolBar(p.bar);
        auto it = lastRow.find(p.dock);
        if (it != lastRow.end() && it->second != p.row)
            addToolBarBreak(area);
        lastRow[p.dock] = p.row;
        addToolBar(area, p.bar);
        p.bar->setVisible(p.visible);
    }
}

void TFormMain::saveToolbarLayout() {
    std::unique_ptr<QSettings> store = OpenDefaultsStore();
    const QList<QToolBar*> bars = Commands->toolBars();
    // Rows: bars of one area on the same line (same y for horizontal areas).
    for (QToolBar* bar : bars) {
        const Qt::ToolBarArea area = toolBarArea(bar);
        const bool horizontal = area == Qt::TopToolBarArea || area == Qt::BottomToolBarArea;
        auto across = [horizontal](const QToolBar* b) { return horizontal ? b->y() : b->x(); };
        auto along = [horizontal](const QToolBar* b) { return horizontal ? b->x() : b->y(); };
        QList<int> lines;
        for (QToolBar* other : bars)
            if (!other->isFloating() && toolBarArea(other) == area &&
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
