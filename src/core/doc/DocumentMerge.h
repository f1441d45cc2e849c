#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <unordered_map>
#include <vector>

class TLeafNote;
class TOutline;
class TOutlineNode;

// An item as it stood when the document was last read or written: what a
// merge compares both versions against to tell who changed what.
struct TItemState {
    QByteArray title, links, text, page;
    bool pageZipped = false; // page holds the compressed form
    int32_t label = 0;
    uint8_t progress = 0;
    double due = 0, finish = 0;
    const TOutlineNode* parent = nullptr;

    static TItemState Of(const TLeafNote& item);
};

// The states of every item of our outline, by node. Shallow copies: a page
// costs memory here only once it is changed in the window.
class TMergeBase {
public:
    void Take(const TOutline& outline);
    void Clear() { m_states.clear(); }
    void Set(const TOutlineNode* node, const TItemState& state) { m_states[node] = state; }
    bool Empty() const { return m_states.empty(); }
    const TItemState* Find(const TOutlineNode* node) const {
        const auto it = m_states.find(node);
        return it == m_states.end() ? nullptr : &it->second;
    }

private:
    std::unordered_map<const TOutlineNode*, TItemState> m_states;
};

// One line of what a merge does, for the list shown before it is applied
// and the command line's report.
struct TMergeAction {
    enum Kind { Added, Changed, KeptBoth, Moved, Trashed };
    Kind kind;
    QByteArray title; // cp932, as the item is titled after the merge
    static QString KindName(Kind kind);
};

// Brings the items of another version of the document (theirs) into ours.
// Items are matched by NodeId (with the same creation time), else by
// creation time, title and the parent's match. Items only in theirs are
// added where they stand there; an item changed on one side takes that
// side; changed on both (or with no base to tell), the newer wins and the
// other side's page is kept in a child item, so no word is lost. Items
// missing from theirs stay: only a move into their trash deletes here.
class TDocumentMerge {
public:
    // base may be null (two files with no common reading).
    TDocumentMerge(TOutline& ours, TOutline& theirs, const TMergeBase* base);
    ~TDocumentMerge();
    TDocumentMerge(const TDocumentMerge&) = delete;
    TDocumentMerge& operator=(const TDocumentMerge&) = delete;

    const std::vector<TMergeAction>& Actions() const { return m_actions; }
    int Count(TMergeAction::Kind kind) const;
    // Changes ours as planned, as one bulk change. Call once; neither
    // outline may change between the plan and this.
    void Apply();
    // After Apply, when theirs is what the file now holds: the base becomes
    // their items, by our nodes, so that the next version is told against
    // the file and not against what was read before.
    void TakeTheirsAsBase(TMergeBase& base) const;
    // A text report, one line per action and a summary line.
    QString Report() const;

    static QByteArray KeptVersionTitle(); // 統合で残した版

private:
    struct Impl;
    Impl* d;
    std::vector<TMergeAction> m_actions;
};
