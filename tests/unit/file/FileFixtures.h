#pragma once

// Item records and documents written byte by byte, as the layouts describe
// them, independently of the writer under test.
#include "TestSupport.h"

#include <QByteArray>

#include <cstdint>

namespace Fixture {

// The smallest settings records: current layout [12][1], earlier layout [0][1].
QByteArray currentSettings();
QByteArray earlierSettings();

// The 56-byte fixed block of tag 18.
struct Block {
    int32_t nodeId = 0;
    int32_t label = 0;
    uint8_t progress = 0;
    double created = 0, modified = 0, due = 0, finished = 0;
    int32_t children = 0;
    uint8_t expanded = 0, selected = 0;
    // Padding (offsets 9..11) and reserved bytes (50..55), which readers ignore.
    uint8_t filler = 0;
};
ByteBuilder& block(ByteBuilder& b, const Block& v);

// zlib stream of data at the given level (6 is zlib's default).
QByteArray deflate(const QByteArray& data, int level = 6);

// A chain of depth records, each the only child of the one before.
QByteArray deepChain(int depth);

} // namespace Fixture
