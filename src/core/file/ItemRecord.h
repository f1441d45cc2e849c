#pragma once

#include <cstdint>

// Tags of the item record (TLeafNote::ReadFromStream / WriteToStream).
// The writer uses 4, 14, 16, 17 and 18; the reader accepts every one.
namespace ItemRecord {

constexpr uint8_t StartByte = 0;
constexpr int FixedBlockSize = 56;

enum Tag : uint8_t {
    TagEnd = 1,
    TagProgress = 2,
    TagLabel = 3,
    TagTitle = 4,
    TagRichPage = 5,
    TagLinkList = 6,
    TagCreated = 7,
    TagModified = 8,
    TagDue = 9,
    TagFinished = 10,
    TagChildCount = 11,
    TagExpanded = 12,
    TagSelected = 13,
    TagPageText = 14,
    TagNodeId = 15,
    TagLinks = 16,
    TagCompressedPage = 17,
    TagFixedBlock = 18,
    TagCompressedText = 19,
};

} // namespace ItemRecord
