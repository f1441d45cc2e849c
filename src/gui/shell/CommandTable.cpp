#include "shell/CommandTable.h"

#include "dialogs/MessageBox.h"

#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QFile>
#include <QKeySequence>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include <exception>
#include <new>

namespace {

QString u(const char* s) {
    return QString::fromUtf8(s);
}

QIcon rowIcon(const char* name) {
    const QString path = QStringLiteral(":/icons/tb/%1.png").arg(u(name));
    return QFile::exists(path) ? QIcon(path) : QIcon();
}

} // namespace

TCommandTable::TCommandTable(QMainWindow* window) : QObject(window) {
    ErrorReporter = [window](const QString& message) {
        MessageBox::critical(window, QStringLiteral("WrenNOTE"), message);
    };
    build(window);
}

TCommandTable::~TCommandTable() = default;

void TCommandTable::build(QMainWindow* window) {
    const auto& rows = CommandRows();
    m_entries.resize(rows.size());
    QHash<QString, QActionGroup*> groups;
    auto groupFor = [&](const QString& key, QActionGroup::ExclusionPolicy policy) {
        QActionGroup*& g = groups[key];
        if (!g) {
            g = new QActionGroup(this);
            g->setExclusionPolicy(policy);
        }
        return g;
    };

    for (size_t i = 0; i < rows.size(); ++i) {
        const TCommandRow& r = rows[i];
        Entry& e = m_entries[i];
        e.row = &r;
        const QString name = u(r.name);
        const QString parent = u(r.parent);
        if (!name.isEmpty())
            m_index.insert(name, int(i));
        Entry* p = parent.isEmpty() ? nullptr : find(parent);

        switch (r.kind) {
        case TCommandRow::MenuBar:
            window->menuBar()->setObjectName(name);
            break;
        case TCommandRow::Popup:
            e.menu = new QMenu(window);
            e.menu->setObjectName(name);
            e.action = e.menu->menuAction();
            m_popups.push_back(e.menu);
            break;
        case TCommandRow::Menu: {
            e.menu = new QMenu(u(r.caption), window);
            e.menu->setObjectName(name);
            e.action = e.menu->menuAction();
            e.action->setObjectName(name);
            if (p && p->row->kind == TCommandRow::MenuBar)
                window->menuBar()->addMenu(e.menu);
            else if (p && p->menu)
                p->menu->addMenu(e.menu);
            break;
        }
        case TCommandRow::Item: {
            e.action = new QAction(u(r.caption), this);
            e.action->setObjectName(name);
            if (r.shortcut[0])
                e.action->setShortcut(
                    QKeySequence::fromString(u(r.shortcut), QKeySequence::PortableText));
            if (r.flags & TCommandRow::Checkable)
                e.action->setCheckable(true);
            if (r.flags & TCommandRow::Hidden) {
                // Not shown in its menu, yet its shortcut must still work.
                window->addAction(e.action);
            } else if (p && p->menu) {
                p->menu->addAction(e.action);
            }
            break;
        }
        case TCommandRow::Toolbar:
            e.toolBar = new QToolBar(u(r.caption), window);
            e.toolBar->setObjectName(name);
            e.toolBar->setIconSize(QSize(16, 16));
            e.action = e.toolBar->toggleViewAction();
            window->addToolBar(Qt::TopToolBarArea, e.toolBar);
            break;
        case TCommandRow::Button: {
            e.action = new QAction(rowIcon(r.name), u(r.caption), this);
            e.action->setObjectName(name);
            e.action->setToolTip(u(r.caption));
            if (r.flags & TCommandRow::Checkable)
                e.action->setCheckable(true);
            if (name == QLatin1String("TBUpper") || name == QLatin1String("TBLower"))
                groupFor(QStringLiteral("script"), QActionGroup::ExclusionPolicy::ExclusiveOptional)
                    ->addAction(e.action);
            else if (name.startsWith(QLatin1String("TBAlign")))
                groupFor(QStringLiteral("align"), QActionGroup::ExclusionPolicy::Exclusive)
                    ->addAction(e.action);
            if (p && p->toolBar)
                p->toolBar->addAction(e.action);
            break;
        }
        case TCommandRow::Widget: {
            auto* box = new QComboBox(window);
            box->setObjectName(name);
            box->setEditable(true);
            box->setToolTip(u(r.caption));
            box->setMinimumWidth(name == QLatin1String("FontBox") ? 129 : 48);
            box->setMaximumWidth(name == QLatin1String("FontBox") ? 160 : 56);
            e.widget = box;
            if (p && p->toolBar) {
                e.action = p->toolBar->addWidget(box);
                e.action->setObjectName(name);
            }
            connect(box, &QComboBox::textActivated, this,
                    [this, i](const QString&) { run(m_entries[i]); });
            break;
        }
        case TCommandRow::Separator:
            if (p && p->toolBar)
                p->toolBar->addSeparator();
            else if (p && p->menu)
                p->menu->addSeparator();
            break;
        }

        if (r.kind == TCommandRow::Item || r.kind == TCommandRow::Button) {
            connect(e.action, &QAction::triggered, this, [this, i](bool) { run(m_entries[i]); });
        } else if (e.menu) {
            connect(e.menu, &QMenu::aboutToShow, this, [this, i]() { run(m_entries[i]); });
        }
        applyEnabled(e);
    }
}

TCommandTable::Entry* TCommandTable::find(const QString& name) {
    auto it = m_index.constFind(name);
    return it == m_index.constEnd() ? nullptr : &m_entries[size_t(*it)];
}

const TCommandTable::Entry* TCommandTable::find(const QString& name) const {
    auto it = m_index.constFind(name);
    return it == m_index.constEnd() ? nullptr : &m_entries[size_t(*it)];
}

QAction* TCommandTable::action(const QString& objectName) const {
    const Entry* e = find(objectName);
    return e ? e->action : nullptr;
}

QMenu* TCommandTable::menu(const QString& objectName) const {
    const Entry* e = find(objectName);
    return e ? e->menu : nullptr;
}

QToolBar* TCommandTable::toolBar(const QString& objectName) const {
    const Entry* e = find(objectName);
    return e ? e->toolBar : nullptr;
}

QWidget* TCommandTable::widget(const QString& objectName) const {
    const Entry* e = find(objectName);
    return e ? e->widget : nullptr;
}

const TCommandRow* TCommandTable::row(const QString& objectName) const {
    const Entry* e = find(objectName);
    return e ? e->row : nullptr;
}

QStringList TCommandTable::objectNames() const {
    QStringList names;
    for (const Entry& e : m_entries)
        if (e.row->name[0])
            names << u(e.row->name);
    return names;
}

QList<QToolBar*> TCommandTable::toolBars() const {
    QList<QToolBar*> bars;
    for (const Entry& e : m_entries)
        if (e.toolBar)
            bars << e.toolBar;
    return bars;
}

void TCommandTable::setHandler(const QString& objectName, Handler handler) {
    if (Entry* e = find(objectName)) {
        e->handler = std::move(handler);
        applyEnabled(*e);
        return;
    }
    for (Entry& e : m_entries) {
        if (objectName == QLatin1String(e.row->handler)) {
            e.handler = handler;
            applyEnabled(e);
        }
    }
}

bool TCommandTable::hasHandler(const QString& objectName) const {
    const Entry* e = find(objectName);
    return e && e->handler;
}

void TCommandTable::trigger(const QString& objectName) {
    Entry* e = find(objectName);
    if (!e)
        return;
    if (e->menu) {
        run(*e);
    } else if (e->row->kind == TCommandRow::Widget) {
        if (e->action && e->action->isEnabled())
            run(*e);
    } else if (e->action) {
        e->action->trigger();
    }
}

void TCommandTable::addStateUpdater(std::function<void()> updater) {
    m_updaters.push_back(std::move(updater));
}

void TCommandTable::updateStates() {
    if (m_updating)
        return;
    m_updating = true;
    for (auto& f : m_updaters)
        guarded(f);
    m_updating = false;
}

void TCommandTable::setCommandEnabled(const QString& objectName, bool enabled) {
    if (Entry* e = find(objectName)) {
        e->stateEnabled = enabled;
        applyEnabled(*e);
    }
}

void TCommandTable::setChecked(const QString& objectName, bool checked) {
    if (Entry* e = find(objectName); e && e->action && e->action->isCheckable())
        e->action->setChecked(checked);
}

bool TCommandTable::isChecked(const QString& objectName) const {
    const Entry* e = find(objectName);
    return e && e->action && e->action->isChecked();
}

void TCommandTable::applyEnabled(Entry& e) {
    bool on = e.stateEnabled;
    switch (e.row->kind) {
    case TCommandRow::Item:
    case TCommandRow::Button:
    case TCommandRow::Widget:
        on = on && e.handler && !(e.row->flags & TCommandRow::Disabled);
        break;
    case TCommandRow::Menu:
    case TCommandRow::Popup:
        break;
    default:
        return;
    }
    if (e.action)
        e.action->setEnabled(on);
    if (e.widget)
        e.widget->setEnabled(on);
}

void TCommandTable::run(Entry& e) {
    if (e.menu)
        updateStates();
    if (!e.handler)
        return;
    const Handler h = e.handler; // the handler may replace itself
    const int tag = e.row->tag;
    guarded([&h, tag] { h(tag); });
}

bool TCommandTable::guarded(const std::function<void()>& f) {
    QString message;
    try {
        f();
        return true;
    } catch (const std::bad_alloc&) {
        message = QStringLiteral("メモリが足りないため、操作を続けられませんでした。");
    } catch (const std::exception& ex) {
        message = QString::fromUtf8(ex.what());
    } catch (...) {
        message = QStringLiteral("予期しないエラーが発生しました。");
    }
    if (ErrorReporter)
        ErrorReporter(message);
    return false;
}
