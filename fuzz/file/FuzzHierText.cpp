// Any bytes as hierarchical text. A refused file adds nothing; an accepted one
// gives one item per heading plus the top item, never deeper than allowed.
#include "file/HierText.h"
#include "outline/Outline.h"
#include "settings/OptionDesc.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz_hiertext: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    // The first byte chooses the marker.
    const char marker = char(data[0]);
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const HierText::TParsed p = HierText::Parse(bytes, marker, "T");
    if (!p.ok) {
        check(!p.error.isEmpty() && p.entries.empty(), "refused without a message, or partly");
        return 0;
    }
    check(!p.entries.empty() && p.entries.front().parent == -1, "no top item");
    for (size_t i = 0; i < p.entries.size(); ++i)
        check(p.entries[i].parent < int(i), "parent after its child");
    TOptionDesc settings;
    TOutline outline(&settings);
    HierText::Insert(outline, p.entries);
    check(outline.count() == int(p.entries.size()), "item count differs");
    check(outline.depth() <= HierText::MaxDepth + 1, "deeper than allowed");
    return 0;
}
