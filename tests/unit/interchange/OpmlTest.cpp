// OPML: .wrn → OPML → .wrn keeps every field; files other outliners write read in.
#include "InterchangeFixtures.h"

#include "TestSupport.h"

#include "common/DateTime.h"
#include "file/Cp932.h"
#include "interchange/Branch.h"
#include "interchange/Export.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "settings/OptionDesc.h"

#include <QTimeZone>

#include <gtest/gtest.h>

using namespace Interchange;

namespace {

class Opml : public ::testing::Test {
protected:
    TestHome home;
    TOptionDesc settings;
    TOutline outline{&settings};
    TOptionDesc settings2;
    TOutline back{&settings2};

    ~Opml() override {
        outline.clear();
        back.clear();
    }

    TReadResult readText(const char* name, const QByteArray& bytes) {
        return ReadFile(WriteFixture(home.path(), QString::fromUtf8(name), bytes));
    }
};

std::vector<TOutlineNode*> inOrder(TOutline& o) {
    std::vector<TOutlineNode*> nodes;
    o.forEach([&](TOutlineNode* n) {
        if (!n->item()->IsTrash() && !n->item()->IsInTrash())
            nodes.push_back(n);
        return true;
    });
    return nodes;
}

TEST_F(Opml, RoundTripKeepsEveryField) {
    TLeafNote* a = AddItem(outline, nullptr, "計画");
    a->NodeId = 5;
    a->Progress = ProgressInProgress;
    a->LabelIndex = 3;
    a->CreatedDate = 45000.123456789012;
    a->ModifiedDate = 45001.5;
    a->DueDate = 45010.0;
    a->FinishDate = 45011.999;
    a->Links = Cp932::fromUnicode(QStringLiteral("資料/a.txt\r\n/home/u/b.pdf\r\n"));
    a->PageText = Cp932::fromUnicode(QStringLiteral("一行目\r\n<node:詳細;6> を見る\r\n"));
    TLeafNote* b = AddItem(outline, a->TreeNode, "詳細");
    b->NodeId = 6;
    b->Progress = ProgressDone;
    b->LabelIndex = 7;
    b->PageRich = RtfOfHtml(QStringLiteral("<b>太字</b> と <i>Café</i> ☕"));
    b->PageText = Cp932::fromUnicode(QStringLiteral("太字 と Caf? ?"));
    TLeafNote* c = AddItem(outline, b->TreeNode, "①髙橋");
    c->DueDate = 0;
    TLeafNote* d = AddItem(outline, nullptr, "壊れた文字");
    d->PageText = QByteArray("ok \x81", 4); // a lead byte with nothing after it
    d->Title = QByteArray("\x82\xA0\x82", 3);
    outline.setExpanded(a->TreeNode, true);
    TLeafNote* trash = TLeafNote::CreateTrash(outline);
    AddItem(outline, trash->TreeNode, "捨てた項目");

    TExportOptions options;
    options.title = QStringLiteral("見本");
    const TExportResult out = ExportOpml(outline, options);
    ASSERT_TRUE(out.ok) << out.error.toStdString();
    EXPECT_EQ(out.count, 4);
    const TReadResult in = readText("往復.opml", out.bytes);
    InsertInto(back, in);
    EXPECT_FALSE(in.branch.lossy);

    const auto before = inOrder(outline);
    const auto after = inOrder(back);
    ASSERT_EQ(after.size(), before.size());
    for (size_t i = 0; i < before.size(); ++i) {
        TLeafNote* x = before[i]->item();
        TLeafNote* y = after[i]->item();
        SCOPED_TRACE(Cp932::toUnicode(x->Title).toStdString());
        EXPECT_EQ(y->Title, x->Title);
        EXPECT_EQ(y->PageText, x->PageText);
        EXPECT_EQ(y->GetPage(), x->GetPage());
        EXPECT_EQ(y->Links, x->Links);
        EXPECT_EQ(y->NodeId, x->NodeId);
        EXPECT_EQ(y->LabelIndex, x->LabelIndex);
        EXPECT_EQ(y->Progress, x->Progress);
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ(y->GetDate(k), x->GetDate(k)) << "date " << k;
        EXPECT_EQ(before[i]->level(), after[i]->level());
        EXPECT_EQ(before[i]->row(), after[i]->row());
        EXPECT_EQ(before[i]->expanded(), after[i]->expanded());
    }
    // Ids came along, so the next new id lies beyond them.
    EXPECT_GT(settings2.NextNodeId, 6);
}

// Our exact-bytes attributes damaged (by hand or another program): the
// readable attributes beside them stand.
TEST_F(Opml, DamagedBytesAttributesGiveWayToTheReadableOnes) {
    const QByteArray opml = "<?xml version=\"1.0\"?><opml version=\"2.0\" "
                            "xmlns:wren=\"urn:x-wrennote:opml:1\"><body>"
                            "<outline text=\"\xE9\xA1\x8C\" wren:title-bytes=\"!!notbase64\" "
                            "_note=\"\xE6\x9C\xAC\xE6\x96\x87\" wren:rtf=\"aGVsbG8=\" "
                            "wren:text-bytes=\"@@\" wren:links-bytes=\"#\"/>"
                            "<outline text=\"b\" _note=\"x\" wren:rtf=\"{\\rtf1 *broken*\"/>"
                            "</body></opml>";
    InsertInto(back, readText("damaged.opml", opml));
    ASSERT_EQ(back.topLevelCount(), 2);
    TLeafNote* a = back.topLevel(0)->item();
    EXPECT_EQ(a->Title, Cp932::fromUnicode(QStringLiteral("題")));
    EXPECT_EQ(PageText(*a), QStringLiteral("本文"));
    EXPECT_TRUE(a->PageRich.isEmpty()) << "base64 that is no RTF is not a rich page";
    EXPECT_TRUE(a->Links.isEmpty());
    EXPECT_TRUE(back.topLevel(1)->item()->PageRich.isEmpty());
}

TEST_F(Opml, IdsAlreadyInUseAreNotTakenTwice) {
    TLeafNote* a = AddItem(outline, nullptr, "a");
    a->NodeId = 9;
    const TExportResult out = ExportOpml(outline, TExportOptions());
    TLeafNote* existing = AddItem(back, nullptr, "前から");
    existing->NodeId = 9;
    InsertInto(back, readText("id.opml", out.bytes));
    ASSERT_EQ(back.topLevelCount(), 2);
    EXPECT_EQ(back.topLevel(0)->item()->NodeId, 9);
    EXPECT_EQ(back.topLevel(1)->item()->NodeId, 0);
}

TEST_F(Opml, ReadsWhatOtherOutlinersWrite) {
    const QByteArray file = R"(<?xml version="1.0" encoding="utf-8"?>
<!-- written by another outliner -->
<opml version="2.0">
  <head><title>Plans</title><expansionState>0,1</expansionState></head>
  <body>
    <outline text="Groceries" _note="milk&#10;eggs" created="Mon, 03 Jun 2024 09:15:00 GMT" isComment="false">
      <outline text="Bread &amp; butter" colour="red"/>
      <outline title="Title only"><extra>ignored</extra></outline>
    </outline>
    <outline text="Café ☕" _note="Ünïcode ☕ page"/>
    <outline text="Feed" type="rss" url="https://example.com/feed.xml"/>
  </body>
</opml>
)";
    const TReadResult r = readText("other.opml", file);
    InsertInto(back, r);
    EXPECT_TRUE(r.branch.lossy);
    ASSERT_EQ(back.topLevelCount(), 3);
    TOutlineNode* groceries = back.topLevel(0);
    EXPECT_EQ(groceries->item()->Title, QByteArray("Groceries"));
    EXPECT_EQ(groceries->item()->PageText, QByteArray("milk\r\neggs"));
    const QDateTime created(QDate(2024, 6, 3), QTime(9, 15), QTimeZone::utc());
    EXPECT_NEAR(groceries->item()->CreatedDate, WrenDate::fromDateTime(created.toLocalTime()),
                1e-6);
    ASSERT_EQ(groceries->childCount(), 2);
    EXPECT_EQ(groceries->child(0)->item()->Title, QByteArray("Bread & butter"));
    EXPECT_EQ(groceries->child(1)->item()->Title, QByteArray("Title only"));
    // The title cannot hold them; the page keeps every character.
    TLeafNote* cafe = back.topLevel(1)->item();
    EXPECT_EQ(cafe->Title, QByteArray("Caf? ?"));
    EXPECT_FALSE(cafe->PageRich.isEmpty());
    EXPECT_EQ(PageText(*cafe), QStringLiteral("Ünïcode ☕ page"));
    EXPECT_TRUE(PageText(*back.topLevel(2)->item())
                    .contains(QStringLiteral("https://example.com/feed.xml")));
}

TEST_F(Opml, BrokenFilesAreRefusedWithTheirPlace) {
    struct Case {
        const char* name;
        QByteArray bytes;
        const char* expected;
    };
    QByteArray deep = "<opml><body>";
    for (int i = 0; i < MaxDepth + 1; ++i)
        deep += "<outline text=\"x\">";
    const Case cases[] = {
        {"閉じていない.opml", "<opml><body><outline text=\"a\"></body></opml>", "1 行"},
        {"途中まで.opml", "<opml>\n<body>\n<outline text=\"a\">", "途中で終わっています"},
        {"実体.opml",
         "<?xml version=\"1.0\"?>\n<!DOCTYPE opml [<!ENTITY a \"aaaaaaaa\"><!ENTITY b "
         "\"&a;&a;&a;&a;\">]>\n<opml><body><outline text=\"&b;\"/></body></opml>",
         "実体"},
        {"別物.opml", "<?xml version=\"1.0\"?><rss><channel/></rss>", "OPML ではありません"},
        {"深すぎ.opml", deep, "階層が深すぎます"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TReadResult r = readText(c.name, c.bytes);
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.error.contains(QString::fromUtf8(c.name))) << r.error.toStdString();
        EXPECT_TRUE(r.error.contains(QString::fromUtf8(c.expected))) << r.error.toStdString();
        EXPECT_TRUE(r.branch.items.empty() || !r.ok);
    }
}

TEST_F(Opml, ABranchIsWrittenAlone) {
    TLeafNote* a = AddItem(outline, nullptr, "A");
    TLeafNote* b = AddItem(outline, a->TreeNode, "B");
    AddItem(outline, b->TreeNode, "C");
    AddItem(outline, nullptr, "D");
    TExportOptions options;
    options.root = b->TreeNode;
    const TExportResult out = ExportOpml(outline, options);
    EXPECT_EQ(out.count, 2);
    InsertInto(back, readText("branch.opml", out.bytes));
    ASSERT_EQ(back.topLevelCount(), 1);
    EXPECT_EQ(back.topLevel(0)->item()->Title, QByteArray("B"));
    EXPECT_EQ(back.topLevel(0)->childCount(), 1);
}

TEST_F(Opml, CancellingStopsTheExport) {
    // Progress is told after each run of a few hundred items.
    for (int i = 0; i < 2000; ++i)
        AddItem(outline, nullptr, "x");
    TExportOptions options;
    int calls = 0;
    qint64 lastDone = 0;
    options.progress = [&](qint64 done, qint64) {
        lastDone = done;
        return ++calls < 2;
    };
    const TExportResult out = ExportOpml(outline, options);
    EXPECT_FALSE(out.ok);
    EXPECT_TRUE(out.cancelled);
    EXPECT_EQ(calls, 2);
    EXPECT_LT(lastDone, 2000);
}

TEST(InterchangeFormat, DetectedByExtensionThenContent) {
    EXPECT_EQ(DetectFormat(QStringLiteral("a.OPML"), QByteArray()), TFormat::Opml);
    EXPECT_EQ(DetectFormat(QStringLiteral("a.md"), QByteArray()), TFormat::Markdown);
    EXPECT_EQ(DetectFormat(QStringLiteral("a.ctd"), QByteArray()), TFormat::CherryXml);
    EXPECT_EQ(DetectFormat(QStringLiteral("a.ctb"), QByteArray()), TFormat::CherrySqlite);
    EXPECT_EQ(DetectFormat(QStringLiteral("a.ctz"), QByteArray()), TFormat::CherryLocked);
    EXPECT_EQ(DetectFormat(QStringLiteral("a.trln"), QByteArray()), TFormat::TreeLine);
    EXPECT_EQ(DetectFormat(QStringLiteral("a"), QByteArray("\xEF\xBB\xBF <?xml?><opml>")),
              TFormat::Opml);
    EXPECT_EQ(DetectFormat(QStringLiteral("a"), QByteArray("<?xml?>\n<cherrytree>")),
              TFormat::CherryXml);
    EXPECT_EQ(DetectFormat(QStringLiteral("a"), QByteArray("SQLite format 3\0xx", 18)),
              TFormat::CherrySqlite);
    EXPECT_EQ(DetectFormat(QStringLiteral("a"), QByteArray("  {\"nodes\": []}")),
              TFormat::TreeLine);
    EXPECT_EQ(DetectFormat(QStringLiteral("a"), QByteArray("# Title\ntext")), TFormat::Markdown);
    EXPECT_EQ(DetectFormat(QStringLiteral("a"), QByteArray("\x01\0\x02", 3)), TFormat::Unknown);
}

TEST(InterchangeFormat, PasswordProtectedCherryTreeIsRefusedSaying) {
    TestHome home;
    const TReadResult r =
        ReadFile(WriteFixture(home.path(), QStringLiteral("秘密.ctz"), "7z\xBC\xAF\x27\x1C..."));
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.error.contains(QStringLiteral("秘密.ctz")));
    EXPECT_TRUE(r.error.contains(QStringLiteral("パスワード")));
}

TEST(InterchangeFormat, MissingFileIsNamed) {
    TestHome home;
    const TReadResult r = ReadFile(home.file(QStringLiteral("ない.opml")));
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.error.contains(QStringLiteral("ない.opml")));
}

} // namespace
