#include "shell/NavigationHistory.h"

#include "file/Cp932.h"
#include "links/LinkJump.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "shell/CommandTable.h"
#include "shell/MainForm.h"

#include <QAction>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

// ---- Lists ---------------------------------------------------------------------

QString THistoryLists::EntryOf(const TLeafNote& item) {
    QString entry = Cp932::toUnicode(item.Title);
    if (item.NodeId != 0)
        entry += QLatin1Char(';') + QString::number(item.NodeId);
    return entry;
}

void THistoryLists::Record(const QString& entry) {
    if (Navigating) {
        Navigating = false;
        return;
    }
    Back.prepend(entry);
    while (Back.size() > Limit)
        Back.removeLast();
    Forward.clear();
}

bool THistoryLists::StepBack(int extra) {
    if (Back.size() <= 1)
        return false;
    Navigating = true;
    for (int i = 0; i <= extra && Back.size() > 1; ++i)
        Forward.prepend(Back.takeFirst());
    return true;
}

bool THistoryLists::StepForward(int extra) {
    if (Forward.isEmpty())
        return false;
    Navigating = true;
    for (int i = 0; i <= extra && !Forward.isEmpty(); ++i)
        Back.prepend(Forward.takeFirst());
    return true;
}

QStringList THistoryLists::BackMenu() const {
    const int last = std::min(int(Back.size()) - 1, 10);
    return last >= 1 ? Back.mid(1, last) : QStringList();
}

QStringList THistoryLists::ForwardMenu() const {
    const int last = std::min(int(Forward.size()) - 1, 10);
    return last >= 0 ? Forward.mid(0, last + 1) : QStringList();
}

// ---- Window side ------------------------------------------------------------------

TNavigationHistory::TNavigationHistory(TFormMain& form) : QObject(&form), m_form(form) {
    setObjectName(QStringLiteral("NavigationHistory"));
    TCommandTable& c = *form.Commands;
    c.setHandler(QStringLiteral("TBBackClick"), [this](int tag) { TBBackClick(tag); });
    c.setHandler(QStringLiteral("TBForwardClick"), [this](int tag) { TBForwardClick(tag); });
    c.setHandler(QStringLiteral("PopupMenuBackPopup"), [this](int) { PopupMenuBackPopup(); });
    c.setHandler(QStringLiteral("PopupMenuForwardPopup"), [this](int) { PopupMenuForwardPopup(); });
    c.addStateUpdater([this]() { refreshButtons(); });
    // The buttons drop their menus down from an arrow beside them.
    const struct {
        const char* button;
        const char* menu;
    } pairs[] = {{"TBBack", "PopupMenuBack"}, {"TBForward", "PopupMenuForward"}};
    for (const auto& p : pairs) {
        QAction* a = c.action(QString::fromLatin1(p.button));
        QToolBar* bar = c.toolBar(QStringLiteral("TBRStandard"));
        auto* b = a && bar ? qobject_cast<QToolButton*>(bar->widgetForAction(a)) : nullptr;
        if (b) {
            b->setMenu(c.menu(QString::fromLatin1(p.menu)));
            b->setPopupMode(QToolButton::MenuButtonPopup);
        }
    }
    connect(&form, &TFormMain::currentItemChanged, this,
            [this](TLeafNote*, TLeafNote* current) { visited(current); });
    // Another document: its items are not those of the list.
    connect(form.Outline, &TOutline::aboutToReset, this, [this]() {
        m_lists.Back.clear();
        refreshButtons();
    });
    refreshButtons();
}

TNavigationHistory* TNavigationHistory::of(TFormMain& form) {
    return form.findChild<TNavigationHistory*>(QStringLiteral("NavigationHistory"),
                                               Qt::FindDirectChildrenOnly);
}

void TNavigationHistory::visited(TLeafNote* item) {
    if (!item)
        return;
    m_lists.Record(THistoryLists::EntryOf(*item));
    refreshButtons();
}

void TNavigationHistory::refreshButtons() {
    m_form.Commands->setCommandEnabled(QStringLiteral("TBBack"), m_lists.CanGoBack());
    m_form.Commands->setCommandEnabled(QStringLiteral("TBForward"), m_lists.CanGoForward());
}

void TNavigationHistory::jump(const QString& entry) {
    // An entry naming nothing any more shows nothing (the flag stays set).
    const TNodeJump j = LinkJump::JumpToNode(*m_form.Outline, entry);
    if (j.Error.isEmpty() && j.Node)
        m_form.GoToItem(j.Node->item());
}

void TNavigationHistory::TBBackClick(int tag) {
    if (!m_lists.StepBack(std::max(0, tag)))
        return;
    refreshButtons();
    jump(m_lists.Back.front());
    refreshButtons();
}

void TNavigationHistory::TBForwardClick(int tag) {
    if (!m_lists.StepForward(std::max(0, tag)))
        return;
    refreshButtons();
    jump(m_lists.Back.front());
    refreshButtons();
}

void TNavigationHistory::PopupMenuBackPopup() {
    QMenu* menu = m_form.Commands->menu(QStringLiteral("PopupMenuBack"));
    if (!menu)
        return;
    menu->clear();
    const QStringList entries = m_lists.BackMenu();
    for (int i = 0; i < entries.size(); ++i) {
        QAction* a = menu->addAction(entries[i]);
        a->setObjectName(QStringLiteral("BackEntry%1").arg(i));
        connect(a, &QAction::triggered, this,
                [this, i]() { m_form.Commands->guarded([this, i] { TBBackClick(i); }); });
    }
}

void TNavigationHistory::PopupMenuForwardPopup() {
    QMenu* menu = m_form.Commands->menu(QStringLiteral("PopupMenuForward"));
    if (!menu)
        return;
    menu->clear();
    const QStringList entries = m_lists.ForwardMenu();
    for (int i = 0; i < entries.size(); ++i) {
        QAction* a = menu->addAction(entries[i]);
        a->setObjectName(QStringLiteral("ForwardEntry%1").arg(i));
        connect(a, &QAction::triggered, this,
                [this, i]() { m_form.Commands->guarded([this, i] { TBForwardClick(i); }); });
    }
}

void InstallNavigationHistory(TFormMain& form) {
    if (!TNavigationHistory::of(form))
        new TNavigationHistory(form);
}
