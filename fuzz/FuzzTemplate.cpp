// Random template text through the text kind of the output engine, over a
// small fixed outline (three levels, a trash, pages and links).
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "output/OutputEngine.h"
#include "settings/OptionDesc.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

struct Fixture {
    TOptionDesc settings;
    TOutline outline{&settings};

    Fixture() {
        TLeafNote* a = TLeafNote::Create(outline, InsertBottomOfLevel, nullptr);
        a->PageText = QByteArray("line one\r\n\x82\xa0\r\n&Title\r\n");
        a->DueDate = 45000.5;
        a->Progress = 3;
        a->LabelIndex = 7;
        TLeafNote* a1 = TLeafNote::Create(outline, InsertLastChild, a->TreeNode);
        a1->Links = QByteArray("doc/a.txt\r\n&Link\r\n");
        TLeafNote::Create(outline, InsertLastChild, a1->TreeNode);
        // Enough siblings for two-digit numbers, few enough to stay fast.
        for (int i = 0; i < 10; ++i)
            TLeafNote::Create(outline, InsertLastChild, a->TreeNode);
        TLeafNote::Create(outline, InsertBottomOfLevel, nullptr);
        TLeafNote* trash = TLeafNote::CreateTrash(outline);
        TLeafNote::Create(outline, InsertLastChild, trash->TreeNode);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Fixture* fixture = new Fixture;
    if (size > 4096)
        return 0;
    const OutputEngine::TTextTemplate tmpl(
        QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    try {
        // The whole walk, but filled only at its first items and at the last
        // of each level (two-digit numbers, the trash): the middle siblings
        // fill alike and would only slow each run.
        int seen = 0;
        OutputEngine::Walk(fixture->outline, nullptr, [&](TOutlineNode* node, TOutlineNode* root) {
            if (seen++ >= 4 && node->nextSibling())
                return;
            const QByteArray out = tmpl.Fill(node, root, &fixture->settings);
            // Every line the engine writes ends with CR LF.
            if (!out.isEmpty() && !out.endsWith("\r\n"))
                std::abort();
        });
    } catch (const EOutputError&) {
        // Refused as too large: the export stops with a message.
    }
    return 0;
}
