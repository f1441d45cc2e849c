// Wiring of the window's own commands to the command table.
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
    c.setHandler(QStringLiteral("ItemBecomeForegroundClick"),
                 [this](int) { ItemBecomeForegroundClick(); });
    c.setHandler(QStringLiteral("ItemFocusOnExView"), [this](int) { ExplorerView->setFocus(); });
    c.setHandler(QStringLiteral("ItemFocusOnRichEdit"), [this](int) { RichEdit->setFocus(); });

    // Opening handlers of menus whose states the areas' updaters set.
    c.setHandler(QStringLiteral("PopupMenuTrayPopup"), [](int) {});
    c.setHandler(QStringLiteral("PopupMenuRichEditPopup"), [](int) {});
}
