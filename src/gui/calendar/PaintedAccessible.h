#pragma once

#include <QAccessibleWidget>
#include <QHash>

// Accessibility of a painted control made of parts (day cells, fields):
// each part is a child that screen readers and test tools can read and
// press. A subclass describes its parts by index.
class TPaintedAccessible : public QAccessibleWidget {
public:
    TPaintedAccessible(QWidget* widget, QAccessible::Role role, const QString& name);
    ~TPaintedAccessible() override;

    virtual int partCount() const = 0;
    virtual QString partText(int index, QAccessible::Text t) const = 0;
    virtual QAccessible::Role partRole(int index) const = 0;
    // In widget coordinates.
    virtual QRect partRect(int index) const = 0;
    virtual QAccessible::State partState(int index) const;
    // The name of the part's one action ("" for none) and running it.
    virtual QString partAction(int index) const;
    virtual void pressPart(int index);
    virtual int partAt(const QPoint& widgetPos) const;

    int childCount() const override { return partCount(); }
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;

    // Tells assistive tools that a part now has the focus or the selection.
    void announcePart(int index, bool focus);

private:
    mutable QHash<int, QAccessibleInterface*> m_parts;
};
