#include "FileFixtures.h"

#include <zlib.h>

namespace Fixture {

QByteArray currentSettings() {
    return ByteBuilder().u8(12).u8(1).bytes();
}

QByteArray earlierSettings() {
    return ByteBuilder().u8(0).u8(1).bytes();
}

ByteBuilder& block(ByteBuilder& b, const Block& v) {
    b.i32(v.nodeId).i32(v.label).u8(v.progress);
    b.u8(v.filler).u8(v.filler).u8(v.filler);
    b.f64(v.created).f64(v.modified).f64(v.due).f64(v.finished);
    b.i32(v.children).u8(v.expanded).u8(v.selected);
    for (int i = 0; i < 6; ++i)
        b.u8(v.filler);
    return b;
}

QByteArray deflate(const QByteArray& data, int level) {
    uLongf size = compressBound(uLong(data.size()));
    QByteArray out(qsizetype(size), '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &size,
              reinterpret_cast<const Bytef*>(data.constData()), uLong(data.size()), level);
    out.truncate(qsizetype(size));
    return out;
}

QByteArray deepChain(int depth) {
    ByteBuilder b;
    b.raw(currentSettings());
    for (int i = 0; i < depth; ++i)
        b.u8(0).u8(11).i32(i + 1 < depth ? 1 : 0).u8(1); // start, child count, end
    return b.bytes();
}

} // namespace Fixture
