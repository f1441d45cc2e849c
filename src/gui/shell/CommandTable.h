#pragma once

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <vector>

class QAction;
class QMainWindow;
class QMenu;
class QToolBar;
class QWidget;

// One row of the command table: every menu, pop-up menu, submenu, menu item,
// toolbar and toolbar button of the main window.
struct TCommandRow {
    enum Kind : uint8_t { MenuBar, Popup, Menu, Item, Toolbar, Button, Widget, Separator };
    enum Flag : uint8_t { Hidden = 1, Checkable = 2, Disabled = 4 };

    const char* parent;   // object name of the menu or toolbar holding it
    const char* name;     // object name
    const char* caption;  // menu caption, or a button's hint
    const char* shortcut; // portable key text ("Ctrl+S"), empty for none
    int tag;              // passed to the handler
    const char* handler;  // click handler (opening handler for menus), empty for none
    Kind kind;
    uint8_t flags;
};

// Every row, in menu and toolbar order.
const std::vector<TCommandRow>& CommandRows();

// Builds the menus, pop-ups and toolbars from CommandRows() and routes their
// clicks to handlers installed by name. A command without a handler stays
// disabled; installing one enables it. Exceptions escaping a handler are
// reported instead of unwinding into the event loop.
class TCommandTable : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(int tag)>;

    explicit TCommandTable(QMainWindow* window);
    ~TCommandTable() override;

    // The action of a row (for a menu: its menu action; for a widget row: the
    // toolbar's widget action). nullptr for an unknown name.
    QAction* action(const QString& objectName) const;
    QMenu* menu(const QString& objectName) const;
    QToolBar* toolBar(const QString& objectName) const;
    // FontBox and SizeBox.
    QWidget* widget(const QString& objectName) const;
    const TCommandRow* row(const QString& objectName) const;
    QStringList objectNames() const;
    QList<QToolBar*> toolBars() const;

    // objectName is the object name of one row, or a handler name
    // ("ItemSisterClick"), which installs the handler on every row naming it.
    // For a menu the handler runs each time the menu opens.
    void setHandler(const QString& objectName, Handler handler);
    bool hasHandler(const QString& objectName) const;
    // Runs the command as its menu item or button would (nothing while it is
    // disabled); for a menu, runs its opening handler.
    void trigger(const QString& objectName);

    // State updaters run whenever a menu opens and on updateStates().
    void addStateUpdater(std::function<void()> updater);
    void updateStates();
    // Enabled only while it has a handler (menus always may be).
    void setCommandEnabled(const QString& objectName, bool enabled);
    void setChecked(const QString& objectName, bool checked);
    bool isChecked(const QString& objectName) const;

    // Shows what escaped a handler; defaults to a critical message box.
    std::function<void(const QString& message)> ErrorReporter;
    // Runs f, reporting any exception; true when it returned normally.
    bool guarded(const std::function<void()>& f);

private:
    struct Entry {
        const TCommandRow* row = nullptr;
        QAction* action = nullptr;
        QMenu* menu = nullptr;
        QToolBar* toolBar = nullptr;
        QWidget* widget = nullptr;
        Handler handler;
        bool stateEnabled = true;
    };
    void build(QMainWindow* window);
    void applyEnabled(Entry& e);
    void run(Entry& e);
    Entry* find(const QString& name);
    const Entry* find(const QString& name) const;

    std::vector<Entry> m_entries;
    QHash<QString, int> m_index;
    std::vector<std::function<void()>> m_updaters;
    std::vector<QMenu*> m_popups;
    bool m_updating = false;
};
