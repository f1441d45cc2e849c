#include "outline/DeletionRecord.h"

#include "file/ByteStream.h"
#include "file/OutlineFile.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"

void TDeletionRecord::remember(TOutlineNode* node) {
    if (!node)
        return;
    m_streams.push_back(OutlineFile::writeItems(node, false));
    while (m_streams.size() > size_t(Capacity))
        m_streams.pop_front();
}

TLeafNote* TDeletionRecord::restore(TOutline& outline, int code, TOutlineNode* ref) {
    if (m_streams.empty())
        return nullptr;
    const OutlineFile::ReadResult r =
        OutlineFile::readItems(m_streams.back(), outline, code, ref, true);
    if (!r.ok)
        throw EReadError(r.error);
    m_streams.pop_back();
    return r.selected ? r.selected->item() : nullptr;
}
