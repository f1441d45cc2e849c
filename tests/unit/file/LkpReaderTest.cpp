// The older ".lkp" text outline: fields, paths, page blocks and their quirks.
#include "TestSupport.h"

#include "file/OutlineFile.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "settings/OptionDesc.h"

#include <gtest/gtest.h>

namespace {

struct Doc {
    TOptionDesc settings;
    TOutline outline{&settings};
    OutlineFile::ReadResult result;

    explicit Doc(const QByteArray& text) { result = OutlineFile::readLkp(text, outline); }
    TLeafNote* top(int i) const { return outline.topLevel(i)->item(); }
};

QString title(const TOutlineNode* node) {
    return FromSjis(node->item()->Title);
}

TEST(LkpReader, FieldsOfAnItemLine) {
    Doc doc(Sjis("予定\t0\t0\t9\r\n"
                 "完了分\t1\r\n"
                 "リンク付き\tC:\\資料\\a.txt\t0\r\n"
                 "その他\tx\r\n"));
    ASSERT_TRUE(doc.result.ok) << doc.result.error.toStdString();
    ASSERT_EQ(doc.outline.topLevelCount(), 4);
    EXPECT_EQ(title(doc.outline.topLevel(0)), QStringLiteral("予定"));
    EXPECT_EQ(doc.top(0)->Progress, ProgressNotStarted);
    EXPECT_TRUE(doc.top(0)->Links.isEmpty());
    EXPECT_EQ(doc.top(1)->Progress, ProgressDone); // anything but "0" is done
    EXPECT_EQ(doc.top(2)->Links, Sjis("C:\\資料\\a.txt") + "\r\n");
    EXPECT_EQ(doc.top(2)->Progress, ProgressNotStarted);
    // "x" is a link, and the missing field after it counts as done
    EXPECT_EQ(doc.top(3)->Links, QByteArray("x\r\n"));
    EXPECT_EQ(doc.top(3)->Progress, ProgressDone);
    EXPECT_TRUE(doc.top(0)->PageText.isEmpty());
    EXPECT_TRUE(doc.top(0)->PageRich.isEmpty());
}

TEST(LkpReader, EveryByteUpToTenSeparatesFields) {
    for (int sep = 0; sep <= 9; ++sep) {
        SCOPED_TRACE(sep);
        QByteArray line = "T";
        line += char(sep);
        line += "0";
        Doc doc(line);
        ASSERT_EQ(doc.outline.count(), 1);
        EXPECT_EQ(doc.top(0)->Title, QByteArray("T"));
        EXPECT_EQ(doc.top(0)->Progress, ProgressNotStarted);
    }
    // 11 is text, not a separator
    Doc doc(QByteArray("T\x0b"
                       "0\t0"));
    EXPECT_EQ(doc.top(0)->Title, QByteArray("T\x0b"
                                            "0"));
    EXPECT_EQ(doc.top(0)->Progress, ProgressNotStarted);
}

TEST(LkpReader, AfterAnEmptyFieldEveryFieldIsEmpty) {
    // The second tab starts an empty field; the "0" after it is never reached.
    Doc doc(QByteArray("A\t\t0\t1\r\n"));
    ASSERT_EQ(doc.outline.count(), 1);
    EXPECT_EQ(doc.top(0)->Title, QByteArray("A"));
    EXPECT_EQ(doc.top(0)->Progress, ProgressDone);
    EXPECT_TRUE(doc.top(0)->Links.isEmpty());
}

TEST(LkpReader, PathsDescendAndSameTitledSiblingsMerge) {
    Doc doc(Sjis("親\t0\r\n"
                 "親\t子\t0\t1\r\n"
                 "親\t子\t孫\t0\r\n"
                 "親\t0\r\n"
                 "別\t0\r\n"));
    ASSERT_TRUE(doc.result.ok);
    ASSERT_EQ(doc.outline.topLevelCount(), 2);
    TOutlineNode* parent = doc.outline.topLevel(0);
    ASSERT_EQ(parent->childCount(), 2);
    EXPECT_EQ(title(parent->child(0)), QStringLiteral("子"));
    // the second "親" line descended into the first and took "0" as a child title
    EXPECT_EQ(title(parent->child(1)), QStringLiteral("0"));
    ASSERT_EQ(parent->child(0)->childCount(), 1);
    EXPECT_EQ(title(parent->child(0)->child(0)), QStringLiteral("孫"));
    // "1" in the third field expands the new item's parent
    EXPECT_TRUE(parent->expanded());
    EXPECT_FALSE(parent->child(0)->expanded());
    EXPECT_EQ(title(doc.outline.topLevel(1)), QStringLiteral("別"));
}

TEST(LkpReader, PageBlocksTakeEverySecondLine) {
    Doc doc(QByteArray("a\t0\r\n"
                       "\x04\r\n"
                       "first\r\n"
                       "skipped\r\n"
                       "second\r\n"
                       "\x04\r\n" // skipped as well, although it is a marker
                       "\x04\r\n" // closing
                       "b\t0\r\n"
                       "\x04\r\n"
                       "\x04\r\n" // the first line after the marker is always text
                       "x\r\n"
                       "\x04\r\n"
                       "c\t0\r\n"));
    ASSERT_TRUE(doc.result.ok) << doc.result.error.toStdString();
    ASSERT_EQ(doc.outline.topLevelCount(), 3);
    EXPECT_EQ(doc.top(0)->PageText, QByteArray("first\r\nsecond\r\n"));
    EXPECT_EQ(doc.top(1)->PageText, QByteArray("\x04\r\n"));
    EXPECT_EQ(doc.top(2)->Title, QByteArray("c"));
    EXPECT_TRUE(doc.top(2)->PageText.isEmpty());
    EXPECT_TRUE(doc.top(0)->PageRich.isEmpty());
}

TEST(LkpReader, MissingClosingMarkerStopsWithAnErrorAndKeepsItems) {
    for (const QByteArray& tail :
         {QByteArray("\x04\r\nt1\r\ns\r\nt2\r\n"), QByteArray("\x04\r\nt1\r\ns"),
          QByteArray("\x04\r\nt1"), QByteArray("\x04")}) {
        Doc doc("a\t0\r\nb\t0\r\n" + tail);
        EXPECT_FALSE(doc.result.ok);
        EXPECT_TRUE(doc.result.error.contains(QStringLiteral("3 行目")))
            << doc.result.error.toStdString();
        ASSERT_EQ(doc.outline.topLevelCount(), 2);
        EXPECT_EQ(doc.top(0)->Title, QByteArray("a"));
        EXPECT_FALSE(doc.outline.inReset());
    }
    Doc doc(QByteArray("a\t0\r\n\x04\r\nt1\r\ns\r\nt2"));
    EXPECT_EQ(doc.top(0)->PageText, QByteArray("t1\r\nt2\r\n")); // what was read stays
}

TEST(LkpReader, LineBreaksOfEveryKind) {
    Doc doc(QByteArray("a\t0\rb\t0\nc\t0\r\n\r\n"));
    ASSERT_TRUE(doc.result.ok);
    // CR, LF and CR LF each end one line; the final break opens no further line
    ASSERT_EQ(doc.outline.topLevelCount(), 4);
    EXPECT_EQ(doc.top(2)->Title, QByteArray("c"));
    EXPECT_TRUE(doc.top(3)->Title.isEmpty()); // the empty line
    Doc lfcr(QByteArray("a\n\rb"));
    EXPECT_EQ(lfcr.outline.topLevelCount(), 3);
    Doc none(QByteArray(""));
    EXPECT_TRUE(none.result.ok);
    EXPECT_EQ(none.outline.count(), 0);
}

TEST(LkpReader, EmptyLinesNeverNest) {
    // An empty field names no item, so a run of empty lines cannot build a chain.
    Doc doc(QByteArray(5000, '\n'));
    ASSERT_TRUE(doc.result.ok);
    EXPECT_EQ(doc.outline.topLevelCount(), 5000);
    EXPECT_EQ(doc.outline.depth(), 1);
}

TEST(LkpReader, ImportedOutlineSavesAndLoads) {
    Doc doc(Sjis("本\t0\t1\r\n本\t章\thttp://example.com\t1\t1\r\n\x04\r\n本文\r\n-\r\n\x04\r\n"));
    ASSERT_TRUE(doc.result.ok);
    const QByteArray bytes = OutlineFile::writeDocument(doc.settings, doc.outline);
    TOptionDesc s;
    TOutline o(&s);
    ASSERT_TRUE(OutlineFile::readDocument(bytes, s, o).ok);
    ASSERT_EQ(o.count(), 2);
    const TLeafNote* chapter = o.topLevel(0)->child(0)->item();
    EXPECT_EQ(FromSjis(chapter->Title), QStringLiteral("章"));
    EXPECT_EQ(chapter->Links, QByteArray("http://example.com\r\n"));
    EXPECT_EQ(chapter->Progress, ProgressDone);
    EXPECT_EQ(FromSjis(chapter->PageText), QStringLiteral("本文\r\n"));
    EXPECT_TRUE(o.topLevel(0)->expanded());
}

} // namespace
