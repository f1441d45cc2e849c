// The sample outline used by benchmarks: its shape, and that a seed fixes it.
#include "TestSupport.h"

#include "file/OutlineFile.h"
#include "file/SampleOutline.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "settings/OptionDesc.h"

#include <gtest/gtest.h>

namespace {

struct Doc {
    TOptionDesc settings;
    TOutline outline{&settings};
    Doc(int count, uint32_t seed) { SampleOutline::generate(outline, settings, count, seed); }
    QByteArray write() { return OutlineFile::writeDocument(settings, outline); }
};

TEST(SampleOutline, ExactCountWithATrash) {
    for (int count : {1, 2, 7, 51, 400}) {
        SCOPED_TRACE(count);
        Doc doc(count, 3);
        EXPECT_EQ(doc.outline.count(), count);
        ASSERT_NE(doc.outline.trashNode(), nullptr);
        EXPECT_EQ(doc.outline.trashNode(), doc.outline.topLevel(doc.outline.topLevelCount() - 1));
        EXPECT_FALSE(doc.outline.inReset());
    }
    Doc none(0, 3);
    EXPECT_EQ(none.outline.count(), 0);
}

TEST(SampleOutline, ShapeAndPagesAreRealistic) {
    Doc doc(3000, 11);
    EXPECT_LE(doc.outline.depth(), 6);
    EXPECT_GE(doc.outline.depth(), 4);
    int withText = 0, rich = 0, due = 0, labelled = 0, ids = 0, japanese = 0;
    int progress[4] = {};
    doc.outline.forEach([&](TOutlineNode* node) {
        const TLeafNote* item = node->item();
        EXPECT_LE(node->childCount(), 20);
        EXPECT_FALSE(item->Title.isEmpty());
        if (!item->PageText.isEmpty()) {
            ++withText;
            EXPECT_GE(item->PageText.size(), 200);
            EXPECT_LE(item->PageText.size(), 4096);
            EXPECT_EQ(Sjis(FromSjis(item->PageText).toUtf8().constData()), item->PageText);
            if (FromSjis(item->PageText).contains(QStringLiteral("。")))
                ++japanese;
        }
        if (!item->PageRich.isEmpty()) {
            ++rich;
            EXPECT_TRUE(item->PageRich.startsWith("{\\rtf1"));
        }
        due += item->DueDate != 0;
        labelled += item->LabelIndex != 0;
        ids += item->NodeId > 0;
        EXPECT_LE(item->Progress, 3);
        ++progress[item->Progress];
        return true;
    });
    EXPECT_GT(withText, 2000);
    // about a third of the pages are rich
    EXPECT_GT(rich * 100 / withText, 25);
    EXPECT_LT(rich * 100 / withText, 42);
    EXPECT_GT(japanese, withText / 2);
    EXPECT_GT(due, 100);
    EXPECT_GT(labelled, 100);
    for (int p : progress)
        EXPECT_GT(p, 30);
    // ids are unique and below the next one to hand out
    EXPECT_GT(ids, 100);
    EXPECT_NE(doc.outline.findByNodeId(doc.settings.NextNodeId - 1), nullptr);
    EXPECT_EQ(doc.outline.findByNodeId(doc.settings.NextNodeId), nullptr);
}

TEST(SampleOutline, SameSeedSameBytes) {
    Doc a(500, 42), b(500, 42), c(500, 43);
    const QByteArray bytes = a.write();
    EXPECT_EQ(bytes, b.write());
    EXPECT_NE(bytes, c.write());

    TOptionDesc s;
    TOutline o(&s);
    const auto r = OutlineFile::readDocument(bytes, s, o);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(o.count(), 500);
    EXPECT_NE(r.selected, nullptr);
    EXPECT_EQ(OutlineFile::writeDocument(s, o), bytes);
}

} // namespace

namespace {

TEST(SampleOutline, RichProfileGivesEveryItemAFormattedKilobytePage) {
    TOptionDesc settings;
    TOutline outline(&settings);
    SampleOutline::generate(outline, settings, 300, 5, SampleOutline::RichPages1K);
    EXPECT_EQ(outline.count(), 300);
    int pages = 0, bold = 0, italic = 0, colour = 0;
    outline.forEach([&](TOutlineNode* node) {
        const TLeafNote* item = node->item();
        if (item->IsTrash())
            return true;
        ++pages;
        EXPECT_TRUE(item->PageText.startsWith("Note "));
        EXPECT_GE(item->PageText.size(), 1000);
        EXPECT_LE(item->PageText.size(), 1200);
        EXPECT_TRUE(item->PageRich.startsWith("{\\rtf1"));
        bold += item->PageRich.contains("\\b ") ? 1 : 0;
        italic += item->PageRich.contains("\\i ") ? 1 : 0;
        colour += item->PageRich.contains("\\cf1 ") ? 1 : 0;
        return true;
    });
    EXPECT_EQ(pages, 299);
    EXPECT_EQ(bold, pages);
    EXPECT_EQ(italic, pages);
    EXPECT_EQ(colour, pages);

    TOptionDesc settings2;
    TOutline again(&settings2);
    SampleOutline::generate(again, settings2, 300, 5, SampleOutline::RichPages1K);
    EXPECT_EQ(OutlineFile::writeDocument(settings, outline),
              OutlineFile::writeDocument(settings2, again));
}

} // namespace

// Japanese lines never sit in the Western-charset font (f1): they would be
// drawn as mojibake.
TEST(SampleOutline, JapaneseTextIsNeverSetInTheLatinFont) {
    Doc doc(600, 5);
    int latinRuns = 0;
    doc.outline.forEach([&](TOutlineNode* node) {
        const QByteArray& rtf = node->item()->PageRich;
        for (qsizetype at = rtf.indexOf("\\f1 "); at >= 0; at = rtf.indexOf("\\f1 ", at + 1)) {
            const qsizetype end = rtf.indexOf("\\f0 ", at);
            EXPECT_GT(end, at);
            EXPECT_FALSE(rtf.mid(at, end - at).contains("\\'")) << rtf.mid(at, end - at).data();
            ++latinRuns;
        }
        return true;
    });
    EXPECT_GT(latinRuns, 0); // the Latin font is still used, for Latin lines
}
