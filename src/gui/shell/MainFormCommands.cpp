// Wiring of the commands built here to the command table, and the states the
// menus show when they open.
#include "shell/MainForm.h"

#include "calendar/CalEx.h"
#include "calendar/DateAccessPanel.h"

#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "settings/OptionDesc.h"
#include "shell/CommandTable.h"
#include "tree/ExplorerView.h"

#include "search/FocusTray.h"
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QListWidget>
#include <QMimeData>
#include <QStatusBar>
#include <QTextEdit>
#include <QToolBar>

void TFormMain::installCommands() {
    TCommandTable& c = *Commands;
    c.setHandler(QStringLiteral("ItemSelectionToNodeTitleClick"),
                 [this](int) { ItemSelectionToNodeTitleClick(); });
    c.setHandler(QStringLiteral("ItemBecomeForegroundClick"),
                 [this](int) { ItemBecomeForegroundClick(); });
    c.setHandler(QStringLiteral("ItemWordWrapClick"), [this](int) { ItemWordWrapClick(); });
    c.setHandler(QStringLiteral("ItemOpenManualClick"), [this](int) { ItemOpenManualClick(); });
    c.setHandler(QStringLiteral("ItemFocusOnExView"), [this](int) { ExplorerView->setFocus(); });
    c.setHandler(QStringLiteral("ItemFocusOnRichEdit"), [this](int) { RichEdit->setFocus(); });

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

    // Opening handlers of the menus whose states are built here.
    c.setHandler(QStringLiteral("MenuViewClick"), [](int) {});
    c.setHandler(QStringLiteral("PopupMenuTrayPopup"), [](int) {});
    c.setHandler(QStringLiteral("PopupMenuRichEditPopup"), [](int) {});
}

void TFormMain::installStateUpdaters() {
    TCommandTable& c = *Commands;
    // View menu: the check marks follow what is shown.
    c.addStateUpdater([this]() {
        TCommandTable& t = *Commands;
        const char* const entries[6] = {"ItemShowTBRStandard", "ItemShowTBRMakeNode",
                                        "ItemShowTBRMoveNode", "ItemShowTBRStyle",
                                        "ItemShowTBRFind",     "ItemShowTBRView"};
        for (int i = 0; i < 6; ++i)
            if (QToolBar* bar = t.toolBar(QString::fromLatin1(ToolbarsByTag[i])))
                t.setChecked(QString::fromLatin1(entries[i]), !bar->isHidden());
        t.setChecked(QStringLiteral("ItemShowStatusBar"), !statusBar()->isHidden());
        t.setChecked(QStringLiteral("ItemShowExView"), !PanelLeft->isHidden());
        t.setChecked(QStringLiteral("TBShowExView"), !PanelLeft->isHidden());
        t.setChecked(QStringLiteral("ItemShowCalendar"), !PanelCalendar->isHidden());
        t.setChecked(QStringLiteral("TBShowCalendar"), !PanelCalendar->isHidden());
        t.setChecked(QStringLiteral("ItemShowFocusTray"), !ListViewFocus->isHidden());
        t.setChecked(QStringLiteral("TBShowFocusTray"), !ListViewFocus->isHidden());
        t.setChecked(QStringLiteral("ItemShowTitlePanel"), !PanelTitle->isHidden());
        t.setChecked(QStringLiteral("ItemShowDatePanel"), !PanelAccessDate->isHidden());
        t.setChecked(QStringLiteral("TBShowDate"), !PanelAccessDate->isHidden());
        t.setChecked(QStringLiteral("ItemShowRuler"), !KesRuler->isHidden());
        t.setChecked(QStringLiteral("ItemShowLinkPanel"), !LinkBox->isHidden());
        t.setChecked(QStringLiteral("TBShowLinkPanel"), !LinkBox->isHidden());
    });
    // Edit menu.
    c.addStateUpdater([this]() {
        TCommandTable& t = *Commands;
        t.setChecked(QStringLiteral("ItemWordWrap"), RichEdit->lineWrapMode() != QTextEdit::NoWrap);
    });
}
