// CherryTree .ctd and .ctb, written here the way CherryTree writes them.
#include "InterchangeFixtures.h"

#include "TestSupport.h"

#include "common/DateTime.h"
#include "file/Cp932.h"
#include "interchange/Branch.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "rtf/RtfReader.h"
#include "settings/OptionDesc.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTextBlock>
#include <QTextDocument>
#include <QUuid>

#include <gtest/gtest.h>

#include <functional>

using namespace Interchange;

namespace {

// Node 1's words: "Plain start 太字 and red italic\nsee site and Child\nend"
// with a code box after the first line, a picture after "see " and a table
// at the end; CherryTree counts each object as one character of the text.
QByteArray ctdDocument(const QByteArray& pngBase64) {
    return QByteArray(R"(<?xml version="1.0" encoding="UTF-8"?>
<cherrytree>
  <bookmarks list=""/>
  <node name="Root ノード" unique_id="1" prog_lang="custom-colors" tags="" readonly="0" custom_icon_id="0" is_bold="0" foreground="" ts_creation="1700000000" ts_lastsave="1700003600">
    <rich_text>Plain start </rich_text><rich_text weight="heavy">太字</rich_text><rich_text> and </rich_text><rich_text foreground="#ffff00000000" style="italic">red italic</rich_text><rich_text>
see </rich_text><rich_text link="webs https://example.com/">site</rich_text><rich_text> and </rich_text><rich_text link="node 2">Child</rich_text><rich_text>
end</rich_text>
    <codebox char_offset="30" justification="left" frame_width="300" frame_height="100" width_in_pixels="1" syntax_highlighting="python" highlight_brackets="1" show_line_numbers="0">print("&lt;hi&gt;")</codebox>
    <encoded_png char_offset="35" justification="left" link="" filename="">)") +
           pngBase64 + R"(</encoded_png>
    <table char_offset="54" justification="left" col_min="40" col_max="400"><row><cell>1</cell><cell>2</cell></row><row><cell>H1</cell><cell>H2</cell></row></table>
    <node name="Child" unique_id="2" prog_lang="custom-colors" ts_creation="0" ts_lastsave="0">
      <rich_text scale="h1">Heading</rich_text><rich_text>
body ☕</rich_text>
    </node>
    <node name="Code" unique_id="3" prog_lang="python" ts_creation="1700000000" ts_lastsave="1700000000"><rich_text>x = 1  # &lt;b&gt;</rich_text></node>
  </node>
  <node name="Second" unique_id="4" prog_lang="custom-colors" ts_creation="1700000000" ts_lastsave="1700000000"><rich_text>plain only</rich_text></node>
</cherrytree>
)";
}

// The tables of a .ctb as CherryTree makes them.
const char* const kCtbSchema[] = {
    "CREATE TABLE node (node_id INTEGER UNIQUE, name TEXT, txt TEXT, syntax TEXT, "
    "tags TEXT, is_ro INTEGER, is_richtxt INTEGER, has_codebox INTEGER, "
    "has_table INTEGER, has_image INTEGER, level INTEGER, ts_creation INTEGER, "
    "ts_lastsave INTEGER)",
    "CREATE TABLE codebox (node_id INTEGER, offset INTEGER, justification TEXT, "
    "txt TEXT, syntax TEXT, width INTEGER, height INTEGER, is_width_pix INTEGER, "
    "do_highl_bra INTEGER, do_show_linenum INTEGER)",
    "CREATE TABLE grid (node_id INTEGER, offset INTEGER, justification TEXT, "
    "txt TEXT, col_min INTEGER, col_max INTEGER)",
    "CREATE TABLE image (node_id INTEGER, offset INTEGER, justification TEXT, "
    "anchor TEXT, png BLOB, filename TEXT, link TEXT, time INTEGER)",
    "CREATE TABLE children (node_id INTEGER UNIQUE, father_id INTEGER, "
    "sequence INTEGER, master_id INTEGER)",
    "CREATE TABLE bookmark (node_id INTEGER UNIQUE, sequence INTEGER)"};

// A .ctb at path with CherryTree's tables, filled by fill.
void makeCtb(const QString& path, const std::function<void(QSqlDatabase&)>& fill) {
    const QString name = QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        for (const char* sql : kCtbSchema)
            ASSERT_TRUE(q.exec(QString::fromLatin1(sql)));
        fill(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

class CherryTree : public ::testing::Test {
protected:
    TestHome home;
    TOptionDesc settings;
    TOutline outline{&settings};
    ~CherryTree() override { outline.clear(); }

    void checkImported() {
        ASSERT_EQ(outline.topLevelCount(), 2);
        TOutlineNode* root = outline.topLevel(0);
        EXPECT_EQ(Cp932::toUnicode(root->item()->Title), QStringLiteral("Root ノード"));
        ASSERT_EQ(root->childCount(), 2);
        EXPECT_EQ(root->child(0)->item()->Title, QByteArray("Child"));
        EXPECT_EQ(root->child(1)->item()->Title, QByteArray("Code"));
        EXPECT_EQ(outline.topLevel(1)->item()->Title, QByteArray("Second"));

        TLeafNote* item = root->item();
        EXPECT_EQ(item->CreatedDate, FromUnixSeconds(1700000000));
        EXPECT_EQ(item->ModifiedDate, FromUnixSeconds(1700003600));
        ASSERT_FALSE(item->PageRich.isEmpty());
        QTextDocument doc;
        Rtf::load(item->PageRich, doc);
        const QString text = doc.toPlainText();
        EXPECT_EQ(text, QStringLiteral("Plain start 太字 and red italic\nprint(\"<hi>\")\n"
                                       "see \xFFFC"
                                       "site <https://example.com/> and <node:Child>\nend\n"
                                       "H1 | H2\n1 | 2\n"))
            << text.toStdString();
        bool bold = false, redItalic = false, picture = false;
        for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
            for (auto it = b.begin(); !it.atEnd(); ++it) {
                const QTextCharFormat f = it.fragment().charFormat();
                if (it.fragment().text() == QStringLiteral("太字"))
                    bold = f.fontWeight() > QFont::Normal;
                if (it.fragment().text() == QStringLiteral("red italic"))
                    redItalic = f.fontItalic() && f.foreground().color() == QColor(255, 0, 0);
                picture = picture || f.isImageFormat();
            }
        EXPECT_TRUE(bold);
        EXPECT_TRUE(redItalic);
        EXPECT_TRUE(picture);

        // A heading scale is a larger bold run; a character cp932 lacks stays.
        TLeafNote* child = root->child(0)->item();
        QTextDocument childDoc;
        Rtf::load(child->PageRich, childDoc);
        EXPECT_EQ(childDoc.toPlainText(), QStringLiteral("Heading\nbody ☕"));
        EXPECT_EQ(childDoc.begin().begin().fragment().charFormat().fontWeight(), QFont::Bold);
        // A code node is plain text as it stands.
        TLeafNote* code = root->child(1)->item();
        EXPECT_TRUE(code->PageRich.isEmpty());
        EXPECT_EQ(code->PageText, QByteArray("x = 1  # <b>"));
    }
};

TEST_F(CherryTree, XmlDocumentWithFormattingObjectsAndLinks) {
    const QByteArray png = TinyPng(4, 3).toBase64();
    const TReadResult r =
        ReadFile(WriteFixture(home.path(), QStringLiteral("ノート.ctd"), ctdDocument(png)));
    InsertInto(outline, r);
    EXPECT_EQ(r.branch.droppedPictures, 0);
    checkImported();
}

TEST_F(CherryTree, SqliteDocumentWithTheSameContent) {
    const QString path = home.file(QStringLiteral("ノート.ctb"));
    makeCtb(path, [&](QSqlDatabase& db) {
        auto node = [&](int id, const QString& title, const QString& txt, const char* syntax,
                        int father, int sequence, qint64 created, qint64 saved) {
            QSqlQuery n(db);
            n.prepare(QStringLiteral("INSERT INTO node VALUES (?, ?, ?, ?, '', 0, 1, 0, 0, 0, "
                                     "0, ?, ?)"));
            n.addBindValue(id);
            n.addBindValue(title);
            n.addBindValue(txt);
            n.addBindValue(QString::fromLatin1(syntax));
            n.addBindValue(created);
            n.addBindValue(saved);
            ASSERT_TRUE(n.exec());
            QSqlQuery c(db);
            c.prepare(QStringLiteral("INSERT INTO children VALUES (?, ?, ?, 0)"));
            c.addBindValue(id);
            c.addBindValue(father);
            c.addBindValue(sequence);
            ASSERT_TRUE(c.exec());
        };
        const QString rich1 = QStringLiteral(
            "<?xml version=\"1.0\" ?><node><rich_text>Plain start </rich_text><rich_text "
            "weight=\"heavy\">太字</rich_text><rich_text> and </rich_text><rich_text "
            "foreground=\"#ff0000\" style=\"italic\">red italic</rich_text><rich_text>\nsee "
            "</rich_text><rich_text link=\"webs https://example.com/\">site</rich_text>"
            "<rich_text> and </rich_text><rich_text link=\"node 2\">Child</rich_text>"
            "<rich_text>\nend</rich_text></node>");
        // Sequence numbers out of row order: the tree follows them.
        node(4, QStringLiteral("Second"),
             QStringLiteral("<?xml version=\"1.0\" ?><node><rich_text>plain only</rich_text>"
                            "</node>"),
             "custom-colors", 0, 2, 1700000000, 1700000000);
        node(1, QStringLiteral("Root ノード"), rich1, "custom-colors", 0, 1, 1700000000,
             1700003600);
        node(3, QStringLiteral("Code"), QStringLiteral("x = 1  # <b>"), "python", 1, 2, 1700000000,
             1700000000);
        node(2, QStringLiteral("Child"),
             QStringLiteral("<?xml version=\"1.0\" ?><node><rich_text scale=\"h1\">Heading"
                            "</rich_text><rich_text>\nbody ☕</rich_text></node>"),
             "custom-colors", 1, 1, 0, 0);
        QSqlQuery o(db);
        ASSERT_TRUE(o.exec(QStringLiteral(
            "INSERT INTO codebox VALUES (1, 30, 'left', 'print(\"<hi>\")', 'python', 300, "
            "100, 1, 1, 0)")));
        ASSERT_TRUE(o.exec(QStringLiteral(
            "INSERT INTO grid VALUES (1, 54, 'left', '<?xml version=\"1.0\" ?><table "
            "col_min=\"40\" col_max=\"400\"><row><cell>1</cell><cell>2</cell></row><row>"
            "<cell>H1</cell><cell>H2</cell></row></table>', 40, 400)")));
        QSqlQuery img(db);
        img.prepare(QStringLiteral("INSERT INTO image VALUES (1, 35, 'left', '', ?, '', '', 0)"));
        img.addBindValue(TinyPng(4, 3));
        ASSERT_TRUE(img.exec());
    });
    const QByteArray before = [&] {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    InsertInto(outline, ReadFile(path));
    checkImported();
    // Read from a copy: the file and its folder are as they were.
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
    EXPECT_FALSE(QFile::exists(path + QStringLiteral("-journal")));
}

// Nodes the children table does not reach (a father that is missing, no
// row at all) are kept at the top level.
TEST_F(CherryTree, NodesTheTreeDoesNotReachAreKept) {
    const QString path = home.file(QStringLiteral("迷子.ctb"));
    makeCtb(path, [&](QSqlDatabase& db) {
        QSqlQuery q(db);
        for (const char* sql : {"INSERT INTO node VALUES (1, 'top', 'a', 'plain-text', '', 0, "
                                "0, 0, 0, 0, 0, 0, 0)",
                                "INSERT INTO node VALUES (2, 'orphan', 'b', 'plain-text', '', "
                                "0, 0, 0, 0, 0, 0, 0, "
                                "0)",
                                "INSERT INTO node VALUES (3, 'rowless', 'c', 'plain-text', '', "
                                "0, 0, 0, 0, 0, 0, 0, "
                                "0)",
                                "INSERT INTO children VALUES (1, 0, 1, 0)",
                                "INSERT INTO children VALUES (2, 77, 1, 0)"})
            ASSERT_TRUE(q.exec(QString::fromLatin1(sql))) << sql;
    });
    InsertInto(outline, ReadFile(path));
    ASSERT_EQ(outline.topLevelCount(), 3);
    EXPECT_EQ(outline.topLevel(0)->item()->Title, QByteArray("top"));
    EXPECT_EQ(outline.topLevel(1)->item()->Title, QByteArray("orphan"));
    EXPECT_EQ(outline.topLevel(2)->item()->Title, QByteArray("rowless"));
}

TEST_F(CherryTree, BrokenFilesAreRefusedWithTheirPlace) {
    struct Case {
        const char* name;
        QByteArray bytes;
        const char* expected;
    };
    const Case cases[] = {
        {"閉じていない.ctd",
         "<?xml version=\"1.0\"?>\n<cherrytree>\n<node name=\"a\">\n</cherrytree>", "4 行"},
        {"別物.ctd", "<?xml version=\"1.0\"?><opml/>", "CherryTree の文書ではありません"},
        {"実体.ctd",
         "<?xml version=\"1.0\"?><!DOCTYPE x [<!ENTITY e SYSTEM \"file:///etc/passwd\">]>"
         "<cherrytree><node name=\"&e;\"/></cherrytree>",
         "実体"},
        {"壊れた.ctb", QByteArray("SQLite format 3\0garbage", 23), "ctb"},
        {"表がない.ctb", QByteArray(), "ctb"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray bytes = c.bytes;
        if (bytes.isEmpty()) {
            // A real database without CherryTree's tables.
            const QString path = home.file(QStringLiteral("空.sqlite"));
            const QString name = QUuid::createUuid().toString();
            {
                QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
                db.setDatabaseName(path);
                ASSERT_TRUE(db.open());
                QSqlQuery(db).exec(QStringLiteral("CREATE TABLE other (x INTEGER)"));
                db.close();
            }
            QSqlDatabase::removeDatabase(name);
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            bytes = f.readAll();
        }
        const TReadResult r = ReadFile(WriteFixture(home.path(), QString::fromUtf8(c.name), bytes));
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.error.contains(QString::fromUtf8(c.name))) << r.error.toStdString();
        EXPECT_TRUE(r.error.contains(QString::fromUtf8(c.expected))) << r.error.toStdString();
    }
}

// CherryTree places objects by characters: an emoji before a picture is one.
TEST_F(CherryTree, AFlatFileCanBeStopped) {
    QByteArray ctd = "<?xml version=\"1.0\"?><cherrytree>";
    for (int i = 0; i < 10000; ++i)
        ctd += "<node name=\"n\" unique_id=\"" + QByteArray::number(i + 1) + "\"/>";
    ctd += "</cherrytree>";
    int calls = 0;
    qint64 total = 0;
    const TReadResult r = ReadFile(WriteFixture(home.path(), QStringLiteral("flat.ctd"), ctd),
                                   [&](qint64, qint64 of) {
                                       total = of;
                                       return ++calls < 1;
                                   });
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(total, ctd.size()) << "stopped while the file was read, before its nodes were made";
}

TEST_F(CherryTree, ObjectsArePlacedByCharactersNotUnits) {
    const QByteArray ctd = R"(<?xml version="1.0" encoding="UTF-8"?>
<cherrytree><node name="n" unique_id="1" prog_lang="custom-colors"><rich_text weight="heavy">😀a</rich_text><rich_text>b</rich_text><encoded_png char_offset="2">)" +
                           TinyPng(2, 2).toBase64() + R"(</encoded_png></node></cherrytree>)";
    const TReadResult r = ReadFile(WriteFixture(home.path(), QStringLiteral("emoji.ctd"), ctd));
    InsertInto(outline, r);
    QTextDocument page;
    ASSERT_TRUE(Rtf::load(outline.topLevel(0)->item()->GetPage(), page).ok);
    EXPECT_EQ(page.toPlainText(), QStringLiteral("😀a") + QChar(QChar::ObjectReplacementCharacter) +
                                      QStringLiteral("b"));
}

TEST_F(CherryTree, TimeStampsNoCalendarHoldsAreNoDates) {
    const QByteArray ctd = R"(<?xml version="1.0" encoding="UTF-8"?>
<cherrytree><node name="a" unique_id="1" ts_creation="1e300" ts_lastsave="nan"><rich_text>x</rich_text></node><node name="b" unique_id="2" ts_creation="-5" ts_lastsave="inf"/></cherrytree>)";
    const TReadResult r = ReadFile(WriteFixture(home.path(), QStringLiteral("time.ctd"), ctd));
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    ASSERT_EQ(r.branch.items.size(), 2u);
    for (const TBranchItem& item : r.branch.items)
        EXPECT_FALSE(item.HasDates);
}

TEST_F(CherryTree, ADamagedPictureIsLeftOutAndCounted) {
    const QByteArray ctd = R"(<?xml version="1.0" encoding="UTF-8"?>
<cherrytree><node name="n" unique_id="1" prog_lang="custom-colors"><rich_text>ab</rich_text><encoded_png char_offset="1">bm90IGEgcGljdHVyZQ==</encoded_png><encoded_png char_offset="2" anchor="here"></encoded_png></node></cherrytree>)";
    const TReadResult r = ReadFile(WriteFixture(home.path(), QStringLiteral("pic.ctd"), ctd));
    InsertInto(outline, r);
    EXPECT_EQ(r.branch.droppedPictures, 1);
    EXPECT_EQ(PageText(*outline.topLevel(0)->item()), QStringLiteral("ab"));
}

// Nodes are made on every core, a thousand at a time; what any of them
// loses is told once, and the order of the file is kept.
TEST_F(CherryTree, ALargeDocumentKeepsItsOrderAndWhatWasLost) {
    QByteArray ctd = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<cherrytree>\n";
    constexpr int Nodes = 3000;
    for (int i = 0; i < Nodes; ++i) {
        const QByteArray n = QByteArray::number(i);
        // One title cp932 cannot hold, two damaged pictures, far apart.
        const QByteArray title = i == 2100 ? QByteArray("n" + n + " ☕") : QByteArray("n" + n);
        ctd += "<node name=\"" + title + "\" unique_id=\"" + QByteArray::number(i + 1) +
               "\" prog_lang=\"custom-colors\"><rich_text weight=\"heavy\">p" + n + "</rich_text>";
        if (i == 5 || i == 2999)
            ctd += "<encoded_png char_offset=\"1\">bm90IGEgcGljdHVyZQ==</encoded_png>";
        ctd += "</node>\n";
    }
    ctd += "</cherrytree>\n";
    int calls = 0;
    const TReadResult r = ReadFile(WriteFixture(home.path(), QStringLiteral("big.ctd"), ctd),
                                   [&calls](qint64, qint64) { return ++calls > 0; });
    InsertInto(outline, r);
    EXPECT_TRUE(r.branch.lossy);
    EXPECT_EQ(r.branch.droppedPictures, 2);
    EXPECT_GE(calls, 3);
    ASSERT_EQ(outline.topLevelCount(), Nodes);
    for (int i = 0; i < Nodes; i += 97) {
        TLeafNote* item = outline.topLevel(i)->item();
        EXPECT_TRUE(item->Title.startsWith("n" + QByteArray::number(i))) << i;
        EXPECT_EQ(PageText(*item), QStringLiteral("p%1").arg(i)) << i;
    }
}

} // namespace
