#include "doc/DocumentMerge.h"

#include "common/Clock.h"
#include "file/ByteStream.h"
#include "file/Cp932.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "settings/OptionDesc.h"

#include <QHash>

#include <algorithm>
#include <cstring>
#include <unordered_set>

namespace {

QByteArray richOf(const TItemState& s, bool* ok) {
    if (!s.pageZipped)
        return s.page;
    try {
        return PageZip::decompress(s.page);
    } catch (const EReadError&) {
        *ok = false;
        return QByteArray();
    }
}

bool samePage(const TItemState& a, const TItemState& b) {
    if (a.page.isEmpty() && b.page.isEmpty())
        return true;
    if (a.pageZipped == b.pageZipped && a.page == b.page)
        return true;
    // Another form, or another compressor's bytes, of what may be the same page.
    bool ok = true;
    const QByteArray ra = richOf(a, &ok);
    const QByteArray rb = richOf(b, &ok);
    return ok && ra == rb;
}

bool sameContent(const TItemState& a, const TItemState& b) {
    return a.title == b.title && a.links == b.links && a.text == b.text && a.label == b.label &&
           a.progress == b.progress && a.due == b.due && a.finish == b.finish && samePage(a, b);
}

bool inTrash(const TOutlineNode* n) {
    for (; n; n = n->parent())
        if (n->item()->NodeId == -1)
            return true;
    return false;
}

void copyPage(TLeafNote& to, const TLeafNote& from) {
    to.ClearPage();
    to.PageExpanded = false;
    to.PageText = from.PageText;
    if (from.PageCompressedValid && !from.PageCompressed.isEmpty()) {
        to.PageCompressed = from.PageCompressed;
        to.PageCompressedValid = true;
    } else {
        to.PageRich = from.PageRich;
    }
}

void copyContent(TLeafNote& to, const TLeafNote& from) {
    to.Links = from.Links;
    to.SetTitle(from.Title);
    to.SetLabelIndex(from.LabelIndex);
    to.SetProgress(from.Progress);
    to.SetFinishDate(from.FinishDate);
    to.SetDueDate(from.DueDate);
    to.SetModifiedDate(from.ModifiedDate);
    copyPage(to, from);
}

struct Key {
    uint64_t created;
    QByteArray title;
    const TOutlineNode* parent;
    bool operator==(const Key& o) const {
        return created == o.created && parent == o.parent && title == o.title;
    }
};
struct KeyHash {
    size_t operator()(const Key& k) const {
        return size_t(k.created * 0x9E3779B97F4A7C15ull) ^ qHash(k.title) ^
               (reinterpret_cast<uintptr_t>(k.parent) >> 4);
    }
};

uint64_t bitsOf(double d) {
    uint64_t b;
    std::memcpy(&b, &d, sizeof b);
    return b;
}

std::vector<TOutlineNode*> preorder(const TOutline& outline) {
    std::vector<TOutlineNode*> nodes;
    nodes.reserve(size_t(outline.count()));
    outline.forEach([&nodes](TOutlineNode* n) {
        nodes.push_back(n);
        return true;
    });
    return nodes;
}

} // namespace

TItemState TItemState::Of(const TLeafNote& item) {
    TItemState s;
    s.title = item.Title;
    s.links = item.Links;
    s.text = item.PageText;
    if (item.PageCompressedValid && !item.PageCompressed.isEmpty()) {
        s.page = item.PageCompressed;
        s.pageZipped = true;
    } else {
        s.page = item.PageRich;
    }
    s.label = item.LabelIndex;
    s.progress = item.Progress;
    s.due = item.DueDate;
    s.finish = item.FinishDate;
    s.parent = item.TreeNode ? item.TreeNode->parent() : nullptr;
    return s;
}

void TMergeBase::Take(const TOutline& outline) {
    m_states.clear();
    m_states.reserve(size_t(outline.count()));
    outline.forEach([this](TOutlineNode* n) {
        m_states.emplace(n, TItemState::Of(*n->item()));
        return true;
    });
}

QString TMergeAction::KindName(Kind kind) {
    switch (kind) {
    case Added:
        return QStringLiteral("追加");
    case Changed:
        return QStringLiteral("変更");
    case KeptBoth:
        return QStringLiteral("両方を残す");
    case Moved:
        return QStringLiteral("移動");
    case Trashed:
        return QStringLiteral("ごみ箱へ");
    }
    return QString();
}

QByteArray TDocumentMerge::KeptVersionTitle() {
    static const QByteArray t = Cp932::fromUnicode(QStringLiteral("統合で残した版"));
    return t;
}

struct TDocumentMerge::Impl {
    TOutline& ours;
    TOutline& theirs;
    const TMergeBase* base;

    struct Edit {
        TOutlineNode* o;
        TOutlineNode* t;
        bool theirsWins;
        bool keepLoser;
    };
    struct Move {
        TOutlineNode* o;
        TOutlineNode* t;
    };
    std::unordered_map<const TOutlineNode*, TOutlineNode*> t2o;
    std::vector<Edit> edits;
    std::vector<TOutlineNode*> added; // theirs, in tree order
    std::vector<Move> moves;
    bool applied = false;

    Impl(TOutline& o, TOutline& t, const TMergeBase* b) : ours(o), theirs(t), base(b) {}

    TOutlineNode* oursOf(const TOutlineNode* t) const {
        const auto it = t2o.find(t);
        return it == t2o.end() ? nullptr : it->second;
    }

    // Where t's counterpart goes among newParent's children: after the
    // nearest earlier sibling of t that has a counterpart there.
    int rowFor(const TOutlineNode* t, const TOutlineNode* newParent,
               const TOutlineNode* moving) const {
        const std::vector<TOutlineNode*>& siblings = theirs.childrenOf(t->parent());
        for (int i = t->row() - 1; i >= 0; --i) {
            const TOutlineNode* prev = oursOf(siblings[size_t(i)]);
            if (prev && prev != moving && prev->parent() == newParent) {
                int row = prev->row() + 1;
                if (moving && moving->parent() == newParent && moving->row() < row)
                    --row;
                return row;
            }
        }
        return 0;
    }

    void match(std::vector<TMergeAction>& actions);
};

void TDocumentMerge::Impl::match(std::vector<TMergeAction>& actions) {
    const std::vector<TOutlineNode*> oursNodes = preorder(ours);
    const std::vector<TOutlineNode*> theirsNodes = preorder(theirs);
    std::unordered_set<const TOutlineNode*> taken;
    taken.reserve(oursNodes.size());

    // By identity: an id with the same creation time. Two computers hand out
    // the same next id to different new items; the time tells them apart.
    std::unordered_map<int32_t, TOutlineNode*> byId;
    byId.reserve(oursNodes.size());
    for (TOutlineNode* o : oursNodes)
        if (o->item()->NodeId > 0)
            byId.emplace(o->item()->NodeId, o);
    for (TOutlineNode* t : theirsNodes) {
        TOutlineNode* o = nullptr;
        const TLeafNote& ti = *t->item();
        if (ti.NodeId == -1)
            o = ours.trashNode();
        else if (ti.NodeId > 0) {
            const auto it = byId.find(ti.NodeId);
            if (it != byId.end() && it->second->item()->CreatedDate == ti.CreatedDate)
                o = it->second;
        }
        if (o && !taken.count(o)) {
            t2o[t] = o;
            taken.insert(o);
        }
    }

    // Without ids: creation time, title and the parent's match.
    std::unordered_map<Key, std::vector<TOutlineNode*>, KeyHash> byKey;
    for (auto it = oursNodes.rbegin(); it != oursNodes.rend(); ++it) {
        TOutlineNode* o = *it;
        if (!taken.count(o) && o->item()->NodeId != -1)
            byKey[Key{bitsOf(o->item()->CreatedDate), o->item()->Title, o->parent()}].push_back(o);
    }
    for (TOutlineNode* t : theirsNodes) {
        if (t2o.count(t) || t->item()->NodeId == -1)
            continue;
        const TOutlineNode* parent = nullptr;
        if (t->parent()) {
            parent = oursOf(t->parent());
            if (!parent)
                continue; // comes with its new parent
        }
        const auto it = byKey.find(Key{bitsOf(t->item()->CreatedDate), t->item()->Title, parent});
        if (it == byKey.end())
            continue;
        while (!it->second.empty() && taken.count(it->second.back()))
            it->second.pop_back();
        if (it->second.empty())
            continue;
        TOutlineNode* o = it->second.back();
        if (o->item()->NodeId > 0 && t->item()->NodeId > 0)
            continue; // both have ids, and they differ
        it->second.pop_back();
        t2o[t] = o;
        taken.insert(o);
    }

    // Retitled on one side: the creation time alone, where it names one item
    // under that parent on each side (a bulk import gives many the same time).
    // Only items without ids: two with different ids are different items.
    std::unordered_map<Key, std::vector<TOutlineNode*>, KeyHash> byTime;
    for (TOutlineNode* o : oursNodes)
        if (!taken.count(o) && o->item()->NodeId == 0)
            byTime[Key{bitsOf(o->item()->CreatedDate), QByteArray(), o->parent()}].push_back(o);
    std::unordered_map<Key, int, KeyHash> theirsPerTime;
    const auto timeKey = [&](const TOutlineNode* t, bool* ok) {
        const TOutlineNode* parent = t->parent() ? oursOf(t->parent()) : nullptr;
        *ok = !t->parent() || parent;
        return Key{bitsOf(t->item()->CreatedDate), QByteArray(), parent};
    };
    for (TOutlineNode* t : theirsNodes) {
        bool ok = false;
        const Key k = timeKey(t, &ok);
        if (!t2o.count(t) && t->item()->NodeId == 0 && ok)
            ++theirsPerTime[k];
    }
    for (TOutlineNode* t : theirsNodes) {
        bool ok = false;
        const Key k = timeKey(t, &ok);
        if (t2o.count(t) || t->item()->NodeId != 0 || !ok || theirsPerTime[k] != 1)
            continue;
        const auto it = byTime.find(k);
        if (it == byTime.end() || it->second.size() != 1 || taken.count(it->second.front()))
            continue;
        t2o[t] = it->second.front();
        taken.insert(it->second.front());
    }

    for (TOutlineNode* t : theirsNodes) {
        TOutlineNode* o = oursOf(t);
        if (!o) {
            added.push_back(t);
            actions.push_back({TMergeAction::Added, t->item()->Title});
            continue;
        }
        if (t->item()->NodeId == -1)
            continue;
        TLeafNote& oi = *o->item();
        TLeafNote& ti = *t->item();
        const TItemState so = TItemState::Of(oi);
        const TItemState st = TItemState::Of(ti);
        const TItemState* sb = base ? base->Find(o) : nullptr;
        const bool differ = !sameContent(so, st);
        bool theirsChanged = false; // we take their content
        bool oursUnchanged = !differ;
        if (differ) {
            const bool oursCh = sb ? !sameContent(so, *sb) : true;
            const bool theirsCh = sb ? !sameContent(st, *sb) : true;
            oursUnchanged = !oursCh;
            if (theirsCh && !oursCh) {
                edits.push_back({o, t, true, false});
                theirsChanged = true;
                actions.push_back({TMergeAction::Changed, ti.Title});
            } else if (theirsCh && oursCh) {
                const bool theirsWins = ti.ModifiedDate > oi.ModifiedDate;
                const TItemState& loser = theirsWins ? so : st;
                const bool keep = (so.text != st.text || !samePage(so, st)) &&
                                  (!loser.text.isEmpty() || !loser.page.isEmpty());
                edits.push_back({o, t, theirsWins, keep});
                theirsChanged = theirsWins;
                if (keep)
                    actions.push_back({TMergeAction::KeptBoth, theirsWins ? ti.Title : oi.Title});
                else if (theirsWins)
                    actions.push_back({TMergeAction::Changed, ti.Title});
            }
        }

        // Where it stands.
        const TOutlineNode* theirParent = t->parent() ? oursOf(t->parent()) : nullptr;
        const bool sameParent = t->parent() ? theirParent == o->parent() : !o->parent();
        if (sameParent)
            continue;
        const bool deletedThere = inTrash(t) && !inTrash(o);
        const bool deletedHere = inTrash(o) && !inTrash(t);
        bool move = false;
        if (deletedThere) {
            move = oursUnchanged;
        } else if (deletedHere) {
            move = theirsChanged; // changed there: not to be lost with our deletion
        } else if (sb) {
            const bool oursMoved = sb->parent != o->parent();
            const bool theirsMoved =
                !t->parent() ? sb->parent != nullptr : !theirParent || theirParent != sb->parent;
            move = theirsMoved && (!oursMoved || ti.ModifiedDate > oi.ModifiedDate);
        } else {
            move = ti.ModifiedDate > oi.ModifiedDate;
        }
        if (move) {
            moves.push_back({o, t});
            actions.push_back({deletedThere ? TMergeAction::Trashed : TMergeAction::Moved,
                               (theirsChanged ? ti : oi).Title});
        }
    }
}

TDocumentMerge::TDocumentMerge(TOutline& ours, TOutline& theirs, const TMergeBase* base)
    : d(new Impl(ours, theirs, base)) {
    d->match(m_actions);
}

TDocumentMerge::~TDocumentMerge() {
    delete d;
}

void TDocumentMerge::TakeTheirsAsBase(TMergeBase& base) const {
    base.Clear();
    for (const auto& [t, o] : d->t2o) {
        TItemState state = TItemState::Of(*t->item());
        state.parent = t->parent() ? d->oursOf(t->parent()) : nullptr;
        base.Set(o, state);
    }
}

int TDocumentMerge::Count(TMergeAction::Kind kind) const {
    return int(std::count_if(m_actions.begin(), m_actions.end(),
                             [kind](const TMergeAction& a) { return a.kind == kind; }));
}

void TDocumentMerge::Apply() {
    if (d->applied)
        return;
    d->applied = true;
    TOutline& ours = d->ours;
    TOptionDesc* settings = ours.settings();
    std::unordered_set<int32_t> ids;
    int32_t maxId = 0;
    ours.forEach([&](TOutlineNode* n) {
        ids.insert(n->item()->NodeId);
        maxId = std::max(maxId, n->item()->NodeId);
        return true;
    });
    d->theirs.forEach([&](TOutlineNode* n) {
        maxId = std::max(maxId, n->item()->NodeId);
        return true;
    });
    if (settings) {
        if (const TOptionDesc* other = d->theirs.settings())
            settings->NextNodeId = std::max(settings->NextNodeId, other->NextNodeId);
        settings->NextNodeId = std::max(settings->NextNodeId, maxId + 1);
    }

    TOutlineUpdateScope quiet(ours);
    for (const Impl::Edit& e : d->edits) {
        TLeafNote& oi = *e.o->item();
        TLeafNote& ti = *e.t->item();
        // The losing page, before the winner's replaces it.
        QByteArray loserText, loserRich;
        bool loserZipped = false;
        if (e.keepLoser) {
            const TLeafNote& loser = e.theirsWins ? oi : ti;
            const TItemState s = TItemState::Of(loser);
            loserText = s.text;
            loserRich = s.page;
            loserZipped = s.pageZipped;
        }
        if (e.theirsWins)
            copyContent(oi, ti);
        if (e.keepLoser) {
            TLeafNote* kept = TLeafNote::Create(ours, InsertLastChild, e.o);
            kept->SetTitle(KeptVersionTitle());
            kept->PageText = loserText;
            if (loserZipped) {
                kept->PageCompressed = loserRich;
                kept->PageCompressedValid = true;
            } else {
                kept->PageRich = loserRich;
            }
            kept->AssignNodeId();
            e.o->item()->RefreshIcon();
        }
    }

    for (TOutlineNode* t : d->added) {
        TOutlineNode* parent = t->parent() ? d->oursOf(t->parent()) : nullptr;
        if (t->parent() && !parent)
            continue; // cannot happen: parents come first
        TOutlineNode* node = ours.insertNew(parent, d->rowFor(t, parent, nullptr));
        TLeafNote& item = *node->item();
        const TLeafNote& from = *t->item();
        item.CreatedDate = from.CreatedDate;
        copyContent(item, from);
        if (from.NodeId > 0 && !ids.count(from.NodeId))
            item.NodeId = from.NodeId;
        else
            item.AssignNodeId();
        ids.insert(item.NodeId);
        ours.setExpanded(node, t->expanded());
        item.RefreshIcon();
        item.RefreshLabel();
        item.RefreshCaption();
        if (parent)
            parent->item()->RefreshIcon();
        d->t2o[t] = node;
    }

    for (const Impl::Move& m : d->moves) {
        TOutlineNode* parent = m.t->parent() ? d->oursOf(m.t->parent()) : nullptr;
        if (m.t->parent() && !parent)
            continue;
        bool inside = false;
        for (const TOutlineNode* p = parent; p; p = p->parent())
            inside = inside || p == m.o;
        if (inside)
            continue;
        TOutlineNode* oldParent = m.o->parent();
        ours.moveNode(m.o, parent, d->rowFor(m.t, parent, m.o));
        if (oldParent)
            oldParent->item()->RefreshIcon();
        if (parent)
            parent->item()->RefreshIcon();
    }
}

QString TDocumentMerge::Report() const {
    QString out;
    for (const TMergeAction& a : m_actions)
        out += TMergeAction::KindName(a.kind) + QStringLiteral(": ") + Cp932::toUnicode(a.title) +
               QLatin1Char('\n');
    out += QStringLiteral("追加 %1 件、変更 %2 件、両方を残す %3 件、移動 %4 件、ごみ箱へ %5 件\n")
               .arg(Count(TMergeAction::Added))
               .arg(Count(TMergeAction::Changed))
               .arg(Count(TMergeAction::KeptBoth))
               .arg(Count(TMergeAction::Moved))
               .arg(Count(TMergeAction::Trashed));
    return out;
}
