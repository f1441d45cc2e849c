#include "calendar/DueIndex.h"

#include "calendar/Julius.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"

#include <QTimer>

#include <algorithm>
#include <cmath>

TDueIndex::TDueIndex(TOutline& outline, QObject* parent) : QObject(parent), m_outline(outline) {
    connect(&outline, &TOutline::nodeInserted, this, [this](TOutlineNode* node) {
        m_pending.push_back(node);
        announce();
    });
    connect(&outline, &TOutline::nodeAboutToBeRemoved, this, [this](TOutlineNode* node) {
        flush(); // pending nodes may lie inside the subtree that goes
        bool any = false;
        m_outline.forEach(
            [&](TOutlineNode* n) {
                any |= drop(n->item());
                return true;
            },
            node);
        if (any)
            announce();
    });
    connect(&outline, &TOutline::nodeChanged, this, [this](TOutlineNode* node, int) {
        if (!m_rebuild && node->item() && put(node->item()))
            announce();
    });
    connect(&outline, &TOutline::aboutToReset, this, [this]() {
        m_entryOf.clear();
        m_byDay.clear();
        m_pending.clear();
        m_rebuild = true;
    });
    connect(&outline, &TOutline::resetDone, this, [this]() {
        m_rebuild = true;
        announce();
    });
}

bool TDueIndex::DayOf(double value, int32_t& day) {
    if (value == 0 || !std::isfinite(value))
        return false;
    try {
        day = DateTimeToJulius(value);
    } catch (const EJuliusError&) {
        return false;
    }
    return true;
}

bool TDueIndex::IsOpen(const TLeafNote& item) {
    return item.Progress == ProgressNotStarted || item.Progress == ProgressInProgress;
}

bool TDueIndex::put(TLeafNote* item) {
    Entry now;
    const bool due = DayOf(item->DueDate, now.day);
    now.open = IsOpen(*item);
    const auto it = m_entryOf.find(item);
    const bool had = it != m_entryOf.end();
    if (had && due && it->day == now.day) {
        if (it->open == now.open)
            return false;
        it->open = now.open;
        return true;
    }
    if (had)
        drop(item);
    if (!due)
        return had;
    m_entryOf.insert(item, now);
    m_byDay[now.day].push_back(item);
    return true;
}

bool TDueIndex::drop(const TLeafNote* item) {
    const auto it = m_entryOf.find(item);
    if (it == m_entryOf.end())
        return false;
    const auto list = m_byDay.find(it->day);
    if (list != m_byDay.end()) {
        auto& v = *list;
        v.erase(std::remove(v.begin(), v.end(), item), v.end());
        if (v.empty())
            m_byDay.erase(list);
    }
    m_entryOf.erase(it);
    return true;
}

void TDueIndex::rebuild() {
    m_entryOf.clear();
    m_byDay.clear();
    m_pending.clear();
    m_outline.forEach([this](TOutlineNode* n) {
        if (TLeafNote* item = n->item())
            put(item);
        return true;
    });
    m_rebuild = false;
}

void TDueIndex::flush() {
    if (m_rebuild) {
        rebuild();
        return;
    }
    std::vector<TOutlineNode*> pending;
    pending.swap(m_pending);
    for (TOutlineNode* node : pending)
        m_outline.forEach(
            [this](TOutlineNode* n) {
                if (TLeafNote* item = n->item())
                    put(item);
                return true;
            },
            node);
}

void TDueIndex::announce() {
    // One notice per turn of the event loop, however many items a batch touches.
    if (m_announced)
        return;
    m_announced = true;
    QTimer::singleShot(0, this, [this]() {
        m_announced = false;
        Q_EMIT changed();
    });
}

namespace {

std::vector<int> pathOf(const TLeafNote* item) {
    std::vector<int> path;
    for (const TOutlineNode* n = item->TreeNode; n; n = n->parent())
        path.push_back(n->row());
    std::reverse(path.begin(), path.end());
    return path;
}

} // namespace

bool TDueIndex::TreeOrderLess(const TLeafNote* a, const TLeafNote* b) {
    // An ancestor's path is a prefix of its descendants' and so sorts first.
    return pathOf(a) < pathOf(b);
}

std::vector<TLeafNote*> TDueIndex::ItemsDueOn(int32_t day, bool openOnly) {
    flush();
    std::vector<TLeafNote*> items;
    const auto it = m_byDay.constFind(day);
    if (it == m_byDay.constEnd())
        return items;
    for (TLeafNote* item : *it)
        if (!openOnly || IsOpen(*item))
            items.push_back(item);
    std::vector<std::pair<std::vector<int>, TLeafNote*>> keyed;
    keyed.reserve(items.size());
    for (TLeafNote* item : items)
        keyed.emplace_back(pathOf(item), item);
    std::sort(keyed.begin(), keyed.end(),
              [](const auto& x, const auto& y) { return x.first < y.first; });
    for (size_t i = 0; i < keyed.size(); ++i)
        items[i] = keyed[i].second;
    return items;
}

int TDueIndex::OpenCountOn(int32_t day) {
    flush();
    const auto it = m_byDay.constFind(day);
    if (it == m_byDay.constEnd())
        return 0;
    return int(
        std::count_if(it->begin(), it->end(), [](const TLeafNote* item) { return IsOpen(*item); }));
}

int TDueIndex::size() {
    flush();
    return int(m_entryOf.size());
}
