#pragma once

#include <QHash>
#include <QObject>

#include <cstdint>
#include <vector>

class TLeafNote;
class TOutline;
class TOutlineNode;

// Items by the day of their due date, kept current through the outline's
// notifications, so that the calendar can mark and list a day without a
// walk of the whole outline.
class TDueIndex : public QObject {
    Q_OBJECT
public:
    explicit TDueIndex(TOutline& outline, QObject* parent = nullptr);

    // Items due on the day in tree order (pre-order); only the not-started
    // and in-progress ones when openOnly.
    std::vector<TLeafNote*> ItemsDueOn(int32_t day, bool openOnly = true);
    // Not-started and in-progress items due on the day.
    int OpenCountOn(int32_t day);
    // Items with a usable due date.
    int size();

    // The day number of a date value; false for no date and for values no
    // day number names (never a wrong day).
    static bool DayOf(double value, int32_t& day);
    static bool IsOpen(const TLeafNote& item);
    // a before b in tree order.
    static bool TreeOrderLess(const TLeafNote* a, const TLeafNote* b);

Q_SIGNALS:
    // The marks of some days may differ now.
    void changed();

private:
    struct Entry {
        int32_t day = 0;
        bool open = false;
    };
    void flush();
    void rebuild();
    // Reads the item again; true when its entry changed.
    bool put(TLeafNote* item);
    bool drop(const TLeafNote* item);
    void announce();

    TOutline& m_outline;
    QHash<const TLeafNote*, Entry> m_entryOf;
    QHash<int32_t, std::vector<TLeafNote*>> m_byDay;
    // Inserted subtrees not read yet: a pasted or loaded item gets its dates
    // only after its node has been announced.
    std::vector<TOutlineNode*> m_pending;
    bool m_rebuild = true;
    bool m_announced = false;
};
