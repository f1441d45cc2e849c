// Any bytes as a ".wrn" document and as an item clipboard payload. What reads
// without error must write, read back to the same shape, and settle on bytes
// that read and write unchanged.
#include "file/ByteStream.h"
#include "file/OutlineFile.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "settings/OptionDesc.h"

#include <QBuffer>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz_outline: %s\n", what);
        std::abort();
    }
}

void showEveryPage(TOutline& outline) {
    outline.forEach([](TOutlineNode* node) {
        try {
            node->item()->GetPage();
        } catch (const EReadError&) {
            // a damaged page fails when shown; the load itself stays good
        }
        return true;
    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    TOptionDesc settings;
    TOutline outline(&settings);
    const OutlineFile::ReadResult first = OutlineFile::readDocument(bytes, settings, outline);
    check(first.ok || !first.error.isEmpty(), "failure without a message");
    check(!outline.inReset(), "reset left open");
    showEveryPage(outline);

    // Read through a device window, the way documents are opened: the same result.
    {
        QByteArray copy = bytes;
        QBuffer device(&copy);
        device.open(QIODevice::ReadOnly);
        TOptionDesc windowSettings;
        TOutline windowOutline(&windowSettings);
        const OutlineFile::ReadResult windowed =
            OutlineFile::readDocument(device, windowSettings, windowOutline);
        check(windowed.ok == first.ok, "device and memory reads disagree");
        check(windowOutline.count() == outline.count(), "device read made other items");
    }

    if (first.ok) {
        const QByteArray written = OutlineFile::writeDocument(settings, outline);
        TOptionDesc settings2;
        TOutline outline2(&settings2);
        const OutlineFile::ReadResult second =
            OutlineFile::readDocument(written, settings2, outline2);
        check(second.ok, "what was written cannot be read");
        check(outline2.count() == outline.count(), "item count changed");
        check(outline2.depth() == outline.depth(), "depth changed");
        // A written document is a fixed point once empty titles have become
        // default titles and missing dates the time of the first read.
        const QByteArray written2 = OutlineFile::writeDocument(settings2, outline2);
        TOptionDesc settings3;
        TOutline outline3(&settings3);
        check(OutlineFile::readDocument(written2, settings3, outline3).ok,
              "second write unreadable");
        check(OutlineFile::writeDocument(settings3, outline3) == written2, "third write differs");
    }

    // The same bytes as a pasted payload, below an existing item.
    TOptionDesc pasteSettings;
    TOutline pasteOutline(&pasteSettings);
    TLeafNote* anchor = TLeafNote::Create(pasteOutline, InsertBottomOfLevel, nullptr);
    const OutlineFile::ReadResult pasted =
        OutlineFile::readItems(bytes, pasteOutline, InsertLastChild, anchor->TreeNode);
    if (pasted.ok && anchor->TreeNode->hasChildren()) {
        const QByteArray payload = OutlineFile::writeItems(anchor->TreeNode->child(0), true);
        TOutline again(&pasteSettings);
        check(OutlineFile::readItems(payload, again, InsertBottomOfLevel, nullptr).ok,
              "exported items cannot be read");
    }
    return 0;
}
