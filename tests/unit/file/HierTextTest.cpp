// Hierarchical text import: heading depths, body text, encodings and refused files.
#include "TestSupport.h"

#include "file/HierText.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "settings/OptionDesc.h"

#include <QFile>

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

struct Doc {
    TOptionDesc settings;
    TOutline outline{&settings};
};

QString title(const TOutlineNode* node) {
    return FromSjis(node->item()->Title);
}

// The branch as "title(child,child(...))" for short assertions.
QString shape(const TOutlineNode* node) {
    QString s = title(node);
    if (node->hasChildren()) {
        QStringList parts;
        for (const TOutlineNode* c : node->children())
            parts << shape(c);
        s += QLatin1Char('(') + parts.join(QLatin1Char(',')) + QLatin1Char(')');
    }
    return s;
}

QString topShapes(const TOutline& outline) {
    QStringList parts;
    for (const TOutlineNode* n : outline.topLevelNodes())
        parts << shape(n);
    return parts.join(QLatin1Char(' '));
}

void importBytes(Doc& doc, const QByteArray& bytes, char marker = '.') {
    const HierText::TParsed p = HierText::Parse(bytes, marker, "T");
    ASSERT_TRUE(p.ok) << p.error.toStdString();
    HierText::Insert(doc.outline, p.entries);
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

TEST(HierText, FileWithoutHeadingsIsOnePage) {
    Doc doc;
    importBytes(doc, Sjis("一行目\r\n二行目\n.\r\n"));
    ASSERT_EQ(doc.outline.count(), 1);
    // A lone marker is body text; every line ends in CR LF.
    EXPECT_EQ(doc.outline.topLevel(0)->item()->PageText, Sjis("一行目\r\n二行目\r\n.\r\n"));
    EXPECT_TRUE(doc.outline.topLevel(0)->item()->PageRich.isEmpty());
}

TEST(HierText, DepthsFollowTheMarkers) {
    Doc doc;
    importBytes(doc, "intro\r\n.W\r\nw text\r\n..X\r\n...Y\ry1\ry2\n.Z\n");
    EXPECT_EQ(topShapes(doc.outline), QStringLiteral("T(W(X(Y)),Z)"));
    const TOutlineNode* top = doc.outline.topLevel(0);
    EXPECT_EQ(top->item()->PageText, QByteArray("intro\r\n"));
    EXPECT_EQ(top->child(0)->item()->PageText, QByteArray("w text\r\n"));
    EXPECT_EQ(top->child(0)->child(0)->item()->PageText, QByteArray());
    EXPECT_EQ(top->child(0)->child(0)->child(0)->item()->PageText, QByteArray("y1\r\ny2\r\n"));
    EXPECT_EQ(top->child(1)->item()->PageText, QByteArray());
}

TEST(HierText, TheFirstHeadingSetsDepthOne) {
    Doc doc;
    importBytes(doc, "..A\n...B\n..C\n");
    EXPECT_EQ(topShapes(doc.outline), QStringLiteral("T(A(B),C)"));
}

TEST(HierText, FewerMarkersThanTheFirstMakeATopLevelItem) {
    Doc doc;
    TLeafNote::Create(doc.outline, InsertBottomOfLevel, nullptr)->SetTitle("old");
    importBytes(doc, "...A\n.B\n....C\n");
    EXPECT_EQ(topShapes(doc.outline), QStringLiteral("old T(A) B(C)"));
}

TEST(HierText, AHeadingFarDeeperIsAChildNotAGrandchild) {
    Doc doc;
    importBytes(doc, ".A\n....B\n...C\n..D\n");
    // B sits at depth 2 although it asked for 4, so C (3) is deeper still and D (2) is B's sibling.
    EXPECT_EQ(topShapes(doc.outline), QStringLiteral("T(A(B(C),D))"));
}

TEST(HierText, TitlesAreKeptAsTheyStand) {
    Doc doc;
    importBytes(doc, Sjis("# 見出し \n##\n"), '#');
    const TOutlineNode* a = doc.outline.topLevel(0)->child(0);
    EXPECT_EQ(a->item()->Title, Sjis(" 見出し "));
    EXPECT_EQ(a->child(0)->item()->Title, QByteArray()); // markers alone: empty title
}

TEST(HierText, Utf8WithAndWithoutMarkAndCp932GiveTheSameItems) {
    const char* text = "前書き\n.章\n本文\n";
    for (const QByteArray& bytes :
         {Sjis(text), QByteArray(text), QByteArray("\xEF\xBB\xBF") + QByteArray(text)}) {
        Doc doc;
        const HierText::TParsed p = HierText::Parse(bytes, '.', "T");
        ASSERT_TRUE(p.ok);
        EXPECT_FALSE(p.lossy);
        HierText::Insert(doc.outline, p.entries);
        EXPECT_EQ(doc.outline.topLevel(0)->item()->PageText, Sjis("前書き\r\n"));
        EXPECT_EQ(doc.outline.topLevel(0)->child(0)->item()->Title, Sjis("章"));
        EXPECT_EQ(doc.outline.topLevel(0)->child(0)->item()->PageText, Sjis("本文\r\n"));
    }
    // Characters cp932 lacks are replaced and said so.
    const HierText::TParsed p = HierText::Parse(QByteArray(".\xF0\x9F\x98\x80x\n"), '.', "T");
    ASSERT_TRUE(p.ok);
    EXPECT_TRUE(p.lossy);
    EXPECT_EQ(p.entries.at(1).title, QByteArray("?x"));
}

TEST(HierText, BadDataIsRefusedWhole) {
    QByteArray deep = ".a\n";
    for (int d = 2; d <= HierText::MaxDepth; ++d)
        deep += QByteArray(d, '.') + "x\n";
    {
        const HierText::TParsed p = HierText::Parse(deep, '.', "T");
        ASSERT_TRUE(p.ok) << "exactly the deepest allowed level";
        Doc doc;
        HierText::Insert(doc.outline, p.entries);
        EXPECT_EQ(doc.outline.depth(), HierText::MaxDepth + 1);
    }
    const struct {
        QByteArray bytes;
        const char* says;
    } cases[] = {
        {deep + QByteArray(HierText::MaxDepth + 1, '.') + "too deep\n", "階層が深すぎます"},
        {QByteArray(".a\n") + QByteArray(5000, '.') + "b\n", "2 行目"},
        {QByteArray(".a\nb\0c\n", 7), "NUL"},
        {QByteArray("\xEF\xBB\xBF.a\n\xFF\n"), "UTF-8"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.says);
        const HierText::TParsed p = HierText::Parse(c.bytes, '.', "T");
        EXPECT_FALSE(p.ok);
        EXPECT_TRUE(p.entries.empty());
        EXPECT_TRUE(p.error.contains(QString::fromUtf8(c.says))) << p.error.toStdString();
    }
}

TEST(HierText, ImportFileTakesItsTitleFromTheName) {
    TestHome home;
    const QString path = home.file(QStringLiteral("計画.txt"));
    writeFile(path, Sjis(".一\n..二\n...三\n"));
    Doc doc;
    TLeafNote::CreateTrash(doc.outline);
    const HierText::TImportResult r = HierText::ImportFile(path, doc.outline, '.');
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(r.count, 4);
    EXPECT_EQ(r.top, doc.outline.topLevel(1)); // after the trash, at the end
    EXPECT_EQ(topShapes(doc.outline), QStringLiteral("ごみ箱 計画(一(二(三)))"));

    EXPECT_EQ(HierText::TitleFromFileName(QStringLiteral("/a/b/memo.txt")), QByteArray("memo"));
    EXPECT_EQ(HierText::TitleFromFileName(QStringLiteral("/a/memo")), QByteArray("memo"));
    EXPECT_EQ(HierText::TitleFromFileName(QStringLiteral("/a/notes.md")), QByteArray("notes.md"));
}

TEST(HierText, RefusedFilesLeaveTheOutlineAlone) {
    TestHome home;
    const QString big = home.file(QStringLiteral("大きい.txt"));
    {
        QFile f(big);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(HierText::MaxFileSize + 1)); // sparse: nothing is written
    }
    const QString binary = home.file(QStringLiteral("画像.txt"));
    writeFile(binary, QByteArray("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16));
    const QString fifo = home.file(QStringLiteral("管.txt"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);

    const struct {
        QString path;
        const char* says;
    } cases[] = {{big, "大きすぎます"},
                 {binary, "NUL"},
                 {fifo, "通常のファイルではありません"},
                 {home.path(), "通常のファイルではありません"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.says);
        Doc doc;
        const HierText::TImportResult r = HierText::ImportFile(c.path, doc.outline, '.');
        EXPECT_FALSE(r.ok);
        EXPECT_FALSE(r.missing);
        EXPECT_TRUE(r.error.contains(QString::fromUtf8(c.says))) << r.error.toStdString();
        EXPECT_EQ(doc.outline.count(), 0);
    }
    Doc doc;
    const HierText::TImportResult r =
        HierText::ImportFile(home.file(QStringLiteral("ない.txt")), doc.outline, '.');
    EXPECT_TRUE(r.missing);
    EXPECT_EQ(doc.outline.count(), 0);
}

} // namespace
