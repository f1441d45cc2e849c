// The item record: every tag the reader accepts, the fixed block, and the
// exact bytes the writer produces.
#include "FileFixtures.h"

#include "common/Clock.h"
#include "common/DateTime.h"
#include "file/OutlineFile.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "settings/OptionDesc.h"

#include <gtest/gtest.h>

namespace {

struct Doc {
    TOptionDesc settings;
    TOutline outline{&settings};

    OutlineFile::ReadResult read(const QByteArray& bytes) {
        return OutlineFile::readDocument(bytes, settings, outline);
    }
};

TEST(ItemRecordRead, EveryDefinedTagSetsItsField) {
    const QByteArray rtf = "{\\rtf1 child page}";
    const QByteArray compressed = Fixture::deflate("{\\rtf1 parent page}");
    ByteBuilder b;
    b.raw(Fixture::currentSettings());
    b.u8(0);                                           // start
    b.u8(0);                                           // unknown, no payload
    b.u8(2).u8(3);                                     // progress
    b.u8(3).i32(5);                                    // label
    b.u8(4).sjis("親の項目");                          // title
    b.u8(6).i32(2).sjis("C:\\a.txt").sjis("資料.doc"); // link list
    b.u8(7).f64(45000.25);
    b.u8(8).f64(45001.5);
    b.u8(9).f64(45010);
    b.u8(10).f64(45011.75);
    b.u8(11).i32(1); // one child
    b.u8(12);        // expanded
    b.u8(13);        // selected
    b.u8(14).sjis("本文");
    b.u8(15).i32(77);
    b.u8(17).i32(compressed.size()).raw(compressed);
    b.u8(19).str(Fixture::deflate(Sjis("圧縮された本文")));
    b.u8(20).u8(255);
    b.u8(1);
    // the child: rich page stored uncompressed, links as one string
    b.u8(0).u8(5).i32(rtf.size()).raw(rtf).u8(16).sjis("http://example.com\r\n").u8(1);

    Doc doc;
    const auto r = doc.read(b.bytes());
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    ASSERT_EQ(doc.outline.count(), 2);
    TOutlineNode* node = doc.outline.topLevel(0);
    const TLeafNote* item = node->item();
    EXPECT_EQ(item->Progress, 3);
    EXPECT_EQ(item->LabelIndex, 5);
    EXPECT_EQ(FromSjis(item->Title), QStringLiteral("親の項目"));
    EXPECT_EQ(item->Links, "C:\\a.txt\r\n" + Sjis("資料.doc") + "\r\n");
    EXPECT_EQ(item->CreatedDate, 45000.25);
    EXPECT_EQ(item->ModifiedDate, 45001.5);
    EXPECT_EQ(item->DueDate, 45010);
    EXPECT_EQ(item->FinishDate, 45011.75);
    EXPECT_EQ(item->NodeId, 77);
    // tag 19 came after tag 14 and replaced the text
    EXPECT_EQ(FromSjis(item->PageText), QStringLiteral("圧縮された本文"));
    EXPECT_TRUE(item->PageCompressedValid);
    EXPECT_FALSE(item->PageExpanded);
    EXPECT_EQ(item->PageCompressed, compressed);
    EXPECT_EQ(node->item()->GetPage(), QByteArray("{\\rtf1 parent page}"));
    EXPECT_TRUE(node->expanded());
    EXPECT_EQ(doc.outline.selectedNode(), node);
    EXPECT_EQ(r.selected, node);

    ASSERT_EQ(node->childCount(), 1);
    const TLeafNote* child = node->child(0)->item();
    EXPECT_EQ(child->PageRich, rtf);
    EXPECT_FALSE(child->PageCompressedValid);
    EXPECT_EQ(child->Links, QByteArray("http://example.com\r\n"));
}

TEST(ItemRecordRead, TagsFromTwentyUpCarryNoPayload) {
    ByteBuilder b;
    b.raw(Fixture::currentSettings()).u8(0);
    for (int tag = 20; tag <= 255; ++tag)
        b.u8(tag);
    b.u8(0).u8(4).str("after").u8(1);
    Doc doc;
    const auto r = doc.read(b.bytes());
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    ASSERT_EQ(doc.outline.count(), 1);
    EXPECT_EQ(doc.outline.topLevel(0)->item()->Title, QByteArray("after"));
}

TEST(ItemRecordRead, FixedBlockOffsetsAndIgnoredBytes) {
    Fixture::Block v;
    v.nodeId = 0x01020304;
    v.label = 6;
    v.progress = 1;
    v.created = 44000.5;
    v.modified = 44001.125;
    v.due = 44100;
    v.finished = 44200.875;
    v.children = 2;
    v.expanded = 7; // any non-zero byte is true
    v.selected = 1;
    v.filler = 0xAA; // padding and reserved bytes must not matter
    ByteBuilder b;
    b.raw(Fixture::currentSettings()).u8(0).u8(18);
    Fixture::block(b, v);
    b.u8(1);
    b.u8(0).u8(4).str("one").u8(1);
    b.u8(0).u8(4).str("two").u8(1);
    ASSERT_EQ(b.size(), 2 + 2 + 56 + 1 + 2 * 10);

    Doc doc;
    const auto r = doc.read(b.bytes());
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    TOutlineNode* node = doc.outline.topLevel(0);
    const TLeafNote* item = node->item();
    EXPECT_EQ(item->NodeId, 0x01020304);
    EXPECT_EQ(item->LabelIndex, 6);
    EXPECT_EQ(item->Progress, 1);
    EXPECT_EQ(item->CreatedDate, 44000.5);
    EXPECT_EQ(item->ModifiedDate, 44001.125);
    EXPECT_EQ(item->DueDate, 44100);
    EXPECT_EQ(item->FinishDate, 44200.875);
    ASSERT_EQ(node->childCount(), 2);
    EXPECT_EQ(node->child(0)->item()->Title, QByteArray("one"));
    EXPECT_EQ(node->child(1)->item()->Title, QByteArray("two"));
    EXPECT_TRUE(node->expanded());
    EXPECT_EQ(doc.outline.selectedNode(), node);
    EXPECT_EQ(doc.outline.topLevelCount(), 1);
}

TEST(ItemRecordRead, MissingFieldsKeepCreationValues) {
    const QDateTime at(QDate(2024, 5, 7), QTime(9, 5, 3));
    ScopedFixedClock clock(at);
    ByteBuilder b;
    b.raw(Fixture::currentSettings());
    b.u8(0).u8(11).i32(1).u8(1); // a book with one child, no other fields
    b.u8(0).u8(1);
    Doc doc;
    ASSERT_TRUE(doc.read(b.bytes()).ok);
    const TLeafNote* book = doc.outline.topLevel(0)->item();
    const TLeafNote* child = doc.outline.topLevel(0)->child(0)->item();
    EXPECT_EQ(FromSjis(book->Title), QStringLiteral("新しいブック"));
    EXPECT_EQ(FromSjis(child->Title), QStringLiteral("新しい項目"));
    EXPECT_DOUBLE_EQ(book->CreatedDate, WrenDate::fromDateTime(at));
    EXPECT_DOUBLE_EQ(child->ModifiedDate, WrenDate::fromDateTime(at));
    EXPECT_EQ(book->DueDate, 0);
    EXPECT_EQ(book->NodeId, 0);
    EXPECT_FALSE(doc.outline.topLevel(0)->expanded());
    EXPECT_EQ(doc.outline.selectedNode(), nullptr);
}

TEST(ItemRecordRead, LabelOutsideRangeBecomesZeroAndLastSelectedWins) {
    ByteBuilder b;
    b.raw(Fixture::currentSettings());
    b.u8(0).u8(3).i32(8).u8(13).u8(1);
    b.u8(0).u8(3).i32(-1).u8(1);
    b.u8(0).u8(3).i32(7).u8(13).u8(11).i32(1).u8(1);
    b.u8(0).u8(13).u8(1); // child of the third: the last one marked
    b.u8(0).u8(3).i32(0x7FFFFFFF).u8(1);
    Doc doc;
    const auto r = doc.read(b.bytes());
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    ASSERT_EQ(doc.outline.topLevelCount(), 4);
    EXPECT_EQ(doc.outline.topLevel(0)->item()->LabelIndex, 0);
    EXPECT_EQ(doc.outline.topLevel(1)->item()->LabelIndex, 0);
    EXPECT_EQ(doc.outline.topLevel(2)->item()->LabelIndex, 7);
    EXPECT_EQ(doc.outline.topLevel(3)->item()->LabelIndex, 0);
    EXPECT_EQ(doc.outline.selectedNode(), doc.outline.topLevel(2)->child(0));
}

TEST(ItemRecordRead, TrashFoundByNodeId) {
    ByteBuilder b;
    b.raw(Fixture::currentSettings());
    b.u8(0).u8(4).str("book").u8(1);
    b.u8(0).u8(15).i32(-1).u8(4).sjis("ごみ箱").u8(11).i32(1).u8(1);
    b.u8(0).u8(4).str("deleted").u8(1);
    Doc doc;
    ASSERT_TRUE(doc.read(b.bytes()).ok);
    ASSERT_NE(doc.outline.trashNode(), nullptr);
    EXPECT_EQ(doc.outline.trashNode(), doc.outline.topLevel(1));
    EXPECT_TRUE(doc.outline.trashNode()->child(0)->item()->IsInTrash());
    EXPECT_FALSE(doc.outline.topLevel(0)->item()->IsInTrash());
}

TEST(ItemRecordRead, BothSettingsLayoutsAtTheHead) {
    for (const QByteArray& head : {Fixture::currentSettings(), Fixture::earlierSettings()}) {
        const QByteArray bytes =
            ByteBuilder().raw(head).u8(0).u8(4).str("x").u8(1).u8(0).u8(1).bytes();
        Doc doc;
        const auto r = doc.read(bytes);
        EXPECT_TRUE(r.ok) << r.error.toStdString();
        EXPECT_EQ(doc.outline.topLevelCount(), 2);
    }
    // The earlier layout carries the next id under tag 11.
    Doc doc;
    ASSERT_TRUE(doc.read(ByteBuilder().u8(0).u8(11).i32(42).u8(1).bytes()).ok);
    EXPECT_EQ(doc.settings.NextNodeId, 42);
    EXPECT_EQ(doc.outline.count(), 0);
}

// ---- writing ----

class ItemRecordWrite : public ::testing::Test {
protected:
    TOptionDesc settings;
    TOutline outline{&settings};

    TLeafNote* make(TOutlineNode* parent, const char* title) {
        TLeafNote* item = parent ? TLeafNote::Create(outline, InsertLastChild, parent)
                                 : TLeafNote::Create(outline, InsertBottomOfLevel, nullptr);
        item->Title = Sjis(title);
        item->CreatedDate = 45000.5;
        item->ModifiedDate = 45001.5;
        return item;
    }
};

TEST_F(ItemRecordWrite, ExactBytesOfARecordWithItsChild) {
    TLeafNote* book = make(nullptr, "本");
    book->NodeId = 12;
    book->LabelIndex = 3;
    book->Progress = 2;
    book->DueDate = 45100;
    book->FinishDate = 45101.25;
    book->Links = "C:\\x.txt\r\n";
    book->PageText = Sjis("ページ");
    book->PageRich = "{\\rtf1 page}";
    TLeafNote* child = make(book->TreeNode, "");
    outline.setExpanded(book->TreeNode, true);
    outline.setSelectedNode(child->TreeNode);

    const QByteArray zipped = Fixture::deflate("{\\rtf1 page}", 6);
    ByteBuilder e;
    e.u8(0).u8(18);
    e.i32(12).i32(3).u8(2).zeros(3).f64(45000.5).f64(45001.5).f64(45100).f64(45101.25);
    e.i32(1).u8(1).u8(0).zeros(6);
    e.u8(4).sjis("本").u8(16).str("C:\\x.txt\r\n").u8(14).sjis("ページ");
    e.u8(17).i32(zipped.size()).raw(zipped).u8(1);
    // the child: no title, no page, so no tags 4, 14 and 17
    e.u8(0).u8(18);
    e.i32(0).i32(0).u8(0).zeros(3).f64(45000.5).f64(45001.5).f64(0).f64(0);
    e.i32(0).u8(0).u8(1).zeros(6);
    e.u8(1);

    EXPECT_EQ(OutlineFile::writeItems(book->TreeNode, false), e.bytes());
    // Writing compressed the page once and keeps that copy.
    EXPECT_TRUE(book->PageCompressedValid);
    EXPECT_EQ(book->PageCompressed, zipped);
}

TEST_F(ItemRecordWrite, PlainPageWritesTextOnly) {
    TLeafNote* item = make(nullptr, "a");
    item->PageText = "plain";
    const QByteArray bytes = OutlineFile::writeItems(item->TreeNode, false);
    // start, 18, block, title, text, end: nothing else
    EXPECT_EQ(bytes.size(), 2 + 56 + (1 + 4 + 1) + (1 + 4 + 5) + 1);
    EXPECT_EQ(bytes.at(bytes.size() - 1), 1);
    EXPECT_FALSE(item->PageCompressedValid);
}

TEST_F(ItemRecordWrite, ExportZeroesEveryIdWhileASavedBranchKeepsThem) {
    TLeafNote* book = make(nullptr, "book");
    TLeafNote* a = make(book->TreeNode, "a");
    TLeafNote* b = make(a->TreeNode, "b");
    TLeafNote* other = make(nullptr, "other");
    book->NodeId = 5;
    a->NodeId = 6;
    b->NodeId = 7;
    other->NodeId = 8;

    const QByteArray exported = OutlineFile::writeItems(book->TreeNode, true);
    TOptionDesc s2;
    TOutline o2(&s2);
    auto r = OutlineFile::readItems(exported, o2, InsertBottomOfLevel, nullptr);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    ASSERT_EQ(o2.count(), 3);
    o2.forEach([](TOutlineNode* n) {
        EXPECT_EQ(n->item()->NodeId, 0) << n->item()->Title.constData();
        return true;
    });
    // the ids in the original are untouched
    EXPECT_EQ(b->NodeId, 7);

    const QByteArray saved = OutlineFile::writeDocument(settings, outline, book->TreeNode);
    TOptionDesc s3;
    TOutline o3(&s3);
    ASSERT_TRUE(OutlineFile::readDocument(saved, s3, o3).ok);
    ASSERT_EQ(o3.topLevelCount(), 1); // the branch is the only top-level record
    EXPECT_EQ(o3.count(), 3);
    EXPECT_EQ(o3.topLevel(0)->item()->NodeId, 5);
    EXPECT_EQ(o3.topLevel(0)->child(0)->item()->NodeId, 6);
    EXPECT_EQ(o3.topLevel(0)->child(0)->child(0)->item()->NodeId, 7);
    EXPECT_EQ(o3.findByNodeId(8), nullptr);
}

TEST_F(ItemRecordWrite, EmptyTitleComesBackAsTheDefaultTitle) {
    TLeafNote* book = make(nullptr, "");
    make(book->TreeNode, "");
    // two records of start, fixed block and end only
    EXPECT_EQ(OutlineFile::writeItems(book->TreeNode, false).size(), 2 * (2 + 56 + 1));
    const QByteArray bytes = OutlineFile::writeDocument(settings, outline);
    TOptionDesc s2;
    TOutline o2(&s2);
    ASSERT_TRUE(OutlineFile::readDocument(bytes, s2, o2).ok);
    EXPECT_EQ(FromSjis(o2.topLevel(0)->item()->Title), QStringLiteral("新しいブック"));
    EXPECT_EQ(FromSjis(o2.topLevel(0)->child(0)->item()->Title), QStringLiteral("新しい項目"));
}

TEST_F(ItemRecordWrite, PastedRecordsFollowOneAnotherAndLeaveTheSelection) {
    TLeafNote* a = make(nullptr, "a");
    TLeafNote* z = make(nullptr, "z");
    outline.setSelectedNode(z->TreeNode);
    QByteArray payload;
    payload += ByteBuilder().u8(0).u8(4).str("p1").u8(13).u8(1).bytes();
    payload += ByteBuilder().u8(0).u8(4).str("p2").u8(1).bytes();
    auto r = OutlineFile::readItems(payload, outline, InsertBelow, a->TreeNode);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    ASSERT_EQ(outline.topLevelCount(), 4);
    EXPECT_EQ(outline.topLevel(1)->item()->Title, QByteArray("p1"));
    EXPECT_EQ(outline.topLevel(2)->item()->Title, QByteArray("p2"));
    EXPECT_EQ(r.selected, outline.topLevel(1));
    EXPECT_EQ(outline.selectedNode(), z->TreeNode);

    // As first child: both land under a, in order.
    r = OutlineFile::readItems(payload, outline, InsertFirstChild, a->TreeNode);
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(a->TreeNode->childCount(), 2);
    EXPECT_EQ(a->TreeNode->child(0)->item()->Title, QByteArray("p1"));
    EXPECT_EQ(a->TreeNode->child(1)->item()->Title, QByteArray("p2"));
}

TEST_F(ItemRecordWrite, PastedTrashRecordDoesNotReplaceTheTrash) {
    TLeafNote* trash = TLeafNote::CreateTrash(outline);
    TLeafNote* a = make(nullptr, "a");
    const QByteArray payload =
        ByteBuilder().u8(0).u8(15).i32(-1).u8(11).i32(1).u8(1).u8(0).u8(15).i32(-1).u8(1).bytes();
    const auto r = OutlineFile::readItems(payload, outline, InsertLastChild, a->TreeNode);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(outline.trashNode(), trash->TreeNode);
    EXPECT_EQ(a->TreeNode->child(0)->item()->NodeId, 0);
    EXPECT_EQ(a->TreeNode->child(0)->child(0)->item()->NodeId, 0);
    EXPECT_FALSE(a->TreeNode->child(0)->item()->IsInTrash());
}

} // namespace
