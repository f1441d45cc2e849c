#include "calendar/PaintedAccessible.h"

#include <QPointer>
#include <QWidget>
#include <QWindow>

namespace {

class TPartAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    TPartAccessible(QWidget* widget, int index) : m_widget(widget), m_index(index) {}

    bool isValid() const override { return owner() && m_index < owner()->partCount(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override {
        return m_widget ? m_widget->window()->windowHandle() : nullptr;
    }
    QAccessibleInterface* parent() const override {
        return m_widget ? QAccessible::queryAccessibleInterface(m_widget) : nullptr;
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* focusChild() const override { return nullptr; }
    QString text(QAccessible::Text t) const override {
        return isValid() ? owner()->partText(m_index, t) : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!isValid())
            return QRect();
        const QRect r = owner()->partRect(m_index);
        return QRect(m_widget->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override {
        return isValid() ? owner()->partRole(m_index) : QAccessible::NoRole;
    }
    QAccessible::State state() const override {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        s = owner()->partState(m_index);
        if (!m_widget->isVisible())
            s.invisible = true;
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ActionInterface)
            return static_cast<QAccessibleActionInterface*>(this);
        return nullptr;
    }

    QStringList actionNames() const override {
        if (!isValid())
            return {};
        const QString a = owner()->partAction(m_index);
        return a.isEmpty() ? QStringList() : QStringList{a};
    }
    void doAction(const QString& name) override {
        if (isValid() && name == owner()->partAction(m_index))
            owner()->pressPart(m_index);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    TPaintedAccessible* owner() const {
        if (!m_widget)
            return nullptr;
        return dynamic_cast<TPaintedAccessible*>(QAccessible::queryAccessibleInterface(m_widget));
    }

    QPointer<QWidget> m_widget;
    int m_index;
};

} // namespace

TPaintedAccessible::TPaintedAccessible(QWidget* widget, QAccessible::Role role, const QString& name)
    : QAccessibleWidget(widget, role, name) {}

TPaintedAccessible::~TPaintedAccessible() {
    for (QAccessibleInterface* part : std::as_const(m_parts))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(part));
}

QAccessible::State TPaintedAccessible::partState(int) const {
    QAccessible::State s;
    if (!widget()->isEnabled())
        s.disabled = true;
    return s;
}

QString TPaintedAccessible::partAction(int) const {
    return QString();
}

void TPaintedAccessible::pressPart(int) {}

int TPaintedAccessible::partAt(const QPoint& widgetPos) const {
    for (int i = 0; i < partCount(); ++i)
        if (partRect(i).contains(widgetPos))
            return i;
    return -1;
}

QAccessibleInterface* TPaintedAccessible::child(int index) const {
    if (index < 0 || index >= partCount())
        return nullptr;
    QAccessibleInterface*& part = m_parts[index];
    if (!part) {
        part = new TPartAccessible(widget(), index);
        QAccessible::registerAccessibleInterface(part);
    }
    return part;
}

int TPaintedAccessible::indexOfChild(const QAccessibleInterface* child) const {
    for (auto it = m_parts.cbegin(); it != m_parts.cend(); ++it)
        if (it.value() == child)
            return it.key() < partCount() ? it.key() : -1;
    return -1;
}

QAccessibleInterface* TPaintedAccessible::childAt(int x, int y) const {
    const int i = partAt(widget()->mapFromGlobal(QPoint(x, y)));
    return i >= 0 ? child(i) : nullptr;
}

void TPaintedAccessible::announcePart(int index, bool focus) {
    QAccessibleInterface* part = child(index);
    if (!part)
        return;
    QAccessibleEvent selection(part, QAccessible::Selection);
    QAccessible::updateAccessibility(&selection);
    if (focus) {
        QAccessibleEvent ev(part, QAccessible::Focus);
        QAccessible::updateAccessibility(&ev);
    }
}
