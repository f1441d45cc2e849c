#pragma once

#include <QByteArray>
#include <QString>

#include <deque>

class TLeafNote;
class TOutline;
class TOutlineNode;

// The items most recently destroyed for good (deleted inside the trash, or by
// emptying it), each kept as its item stream with its subtree, so that the
// restore command can bring them back newest first. Kept in memory only.
class TDeletionRecord {
public:
    static constexpr int Capacity = 20;

    bool isEmpty() const { return m_streams.empty(); }
    int count() const { return int(m_streams.size()); }
    void clear() { m_streams.clear(); }

    // Call just before node is destroyed. Ids are kept: links to the item
    // work again once it is back.
    void remember(TOutlineNode* node);
    // Recreates the newest record at code of ref and forgets it; nullptr when
    // there is none. Throws EReadError (and keeps the record) when it cannot
    // be read back, leaving nothing half made in the outline.
    TLeafNote* restore(TOutline& outline, int code, TOutlineNode* ref);

private:
    std::deque<QByteArray> m_streams;
};
