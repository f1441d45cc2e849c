// Any bytes as an ".lkp" import. An import that succeeds must save as a
// ".wrn" document that reads back to the same outline.
#include "file/OutlineFile.h"
#include "outline/Outline.h"
#include "settings/OptionDesc.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz_lkp: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    TOptionDesc settings;
    TOutline outline(&settings);
    const OutlineFile::ReadResult r = OutlineFile::readLkp(bytes, outline);
    check(r.ok || !r.error.isEmpty(), "failure without a message");
    check(!outline.inReset(), "reset left open");
    if (r.ok) {
        const QByteArray written = OutlineFile::writeDocument(settings, outline);
        TOptionDesc settings2;
        TOutline outline2(&settings2);
        check(OutlineFile::readDocument(written, settings2, outline2).ok,
              "the converted document cannot be read");
        check(outline2.count() == outline.count(), "item count changed");
        check(outline2.depth() == outline.depth(), "depth changed");
    }
    return 0;
}
