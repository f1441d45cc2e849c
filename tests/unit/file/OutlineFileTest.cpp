// Whole documents: damaged files, pages kept byte for byte, deep nesting,
// write failures and files on disk.
#include "FileFixtures.h"

#include "file/ByteStream.h"
#include "file/OutlineFile.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "settings/OptionDesc.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Doc {
    TOptionDesc settings;
    TOutline outline{&settings};

    OutlineFile::ReadResult read(const QByteArray& bytes) {
        return OutlineFile::readDocument(bytes, settings, outline);
    }
    QByteArray write() { return OutlineFile::writeDocument(settings, outline); }
};

QByteArray withHead(const ByteBuilder& records) {
    return Fixture::currentSettings() + records.bytes();
}

struct Broken {
    const char* name;
    QByteArray bytes;
    int itemsKept;
    const char* messagePart; // UTF-8, empty = any message
};

std::vector<Broken> brokenFiles() {
    const QByteArray head = Fixture::currentSettings();
    const ByteBuilder good = ByteBuilder().u8(0).u8(4).str("good").u8(1);
    std::vector<Broken> v;
    auto add = [&](const char* name, const ByteBuilder& records, int kept, const char* part = "") {
        v.push_back({name, withHead(records), kept, part});
    };
    v.push_back({"bad settings start byte", ByteBuilder().u8(7).u8(1).raw(good.bytes()).bytes(), 0,
                 "スタートタグ"});
    v.push_back(
        {"unknown settings tag", ByteBuilder().u8(12).u8(99).u8(1).bytes(), 0, "未知のタグ"});
    v.push_back({"file ends inside the settings", ByteBuilder().u8(12).bytes(), 0, ""});
    add("ends after the start byte", ByteBuilder().u8(0), 1, "途中");
    add("ends inside the fixed block", ByteBuilder().u8(0).u8(18).zeros(20), 1,
        "項目の固定部の途中");
    add("ends inside a string length", ByteBuilder().u8(0).u8(4).u8(3).u8(0), 1, "途中");
    add("ends inside a string", ByteBuilder().u8(0).u8(4).i32(10).raw("abc"), 1,
        "項目の題名の途中");
    add("negative title length", ByteBuilder().u8(0).u8(4).i32(-1), 1, "負");
    add("huge title length", ByteBuilder().u8(0).u8(4).i32(0x7FFFFFFF).raw("abc"), 1, "項目の題名");
    add("negative page text length", ByteBuilder().u8(0).u8(14).i32(-5), 1, "負");
    add("ends inside a label", ByteBuilder().u8(0).u8(3).u8(1).u8(2), 1, "ラベルの途中");
    add("ends inside progress", ByteBuilder().u8(0).u8(2), 1, "進捗状況の途中");
    add("ends inside a date", ByteBuilder().u8(0).u8(7).zeros(4), 1, "作成日の途中");
    add("negative link count", ByteBuilder().u8(0).u8(6).i32(-1), 1, "負");
    add("huge link count", ByteBuilder().u8(0).u8(6).i32(1000000000).str("a"), 1, "リンク");
    add("ends inside a link", ByteBuilder().u8(0).u8(6).i32(2).str("a").i32(5), 1, "リンクの途中");
    add("negative compressed page length", ByteBuilder().u8(0).u8(17).i32(-1), 1, "負");
    add("huge compressed page length", ByteBuilder().u8(0).u8(17).i32(0x7FFFFFFF).zeros(8), 1,
        "圧縮したページ");
    add("ends inside a compressed page", ByteBuilder().u8(0).u8(17).i32(9).zeros(3), 1, "");
    add("negative rich page length", ByteBuilder().u8(0).u8(5).i32(-2), 1, "負");
    add("ends inside a rich page", ByteBuilder().u8(0).u8(5).i32(50).raw("{\\rtf1"), 1,
        "ページの途中");
    add("damaged zlib text", ByteBuilder().u8(0).u8(19).str("not a zlib stream").u8(1), 1, "展開");
    add("ends inside zlib text", ByteBuilder().u8(0).u8(19).i32(30).raw("x\x9c"), 1, "");
    add("negative child count", ByteBuilder().u8(0).u8(11).i32(-1).u8(1).raw(good.bytes()), 1,
        "子項目");
    add("absurd child count", ByteBuilder().u8(0).u8(11).i32(0x7FFFFFFF).u8(1).raw(good.bytes()), 1,
        "子項目");
    add("absurd child count in the block",
        ByteBuilder().u8(0).u8(18).zeros(44).i32(100000).zeros(8).u8(1).raw(good.bytes()), 1,
        "子項目");
    // two children announced, the second is cut off after its start and a skipped tag
    add("fewer children than announced",
        ByteBuilder().u8(0).u8(11).i32(2).u8(1).u8(0).u8(1).u8(0).u8(0), 3, "途中");
    add("nested record without its end",
        ByteBuilder().u8(0).u8(11).i32(1).u8(1).u8(0).u8(4).sjis("子"), 2, "途中");
    add("second top-level record broken", ByteBuilder().raw(good.bytes()).u8(0).u8(18).zeros(10), 2,
        "項目の固定部");
    return v;
}

TEST(OutlineFileBroken, EveryDamagedFileFailsCleanlyAndKeepsWhatWasRead) {
    for (const Broken& b : brokenFiles()) {
        SCOPED_TRACE(b.name);
        Doc doc;
        const auto r = doc.read(b.bytes);
        EXPECT_FALSE(r.ok);
        EXPECT_FALSE(r.error.isEmpty());
        EXPECT_TRUE(r.error.contains(QString::fromUtf8(b.messagePart))) << r.error.toStdString();
        // The place is named in the user's language, not by an English field
        // name; only the library's own words may follow in brackets.
        QString words = r.error;
        words.remove(QRegularExpression(QStringLiteral("\\s*\\([^()]*\\)\\s*$")));
        EXPECT_FALSE(words.contains(QRegularExpression(QStringLiteral("[A-Za-z]{3,}"))))
            << r.error.toStdString();
        EXPECT_EQ(doc.outline.count(), b.itemsKept);
        EXPECT_FALSE(doc.outline.inReset());
    }
}

TEST(OutlineFileBroken, PartialRecordsKeepTheirFields) {
    Doc doc;
    const auto r = doc.read(withHead(ByteBuilder()
                                         .u8(0)
                                         .u8(4)
                                         .sjis("親")
                                         .u8(12)
                                         .u8(11)
                                         .i32(1)
                                         .u8(1)
                                         .u8(0)
                                         .u8(4)
                                         .sjis("子")
                                         .u8(3)
                                         .i32(99)
                                         .u8(14)
                                         .i32(100)));
    EXPECT_FALSE(r.ok);
    ASSERT_EQ(doc.outline.count(), 2);
    TOutlineNode* parent = doc.outline.topLevel(0);
    EXPECT_EQ(FromSjis(parent->item()->Title), QStringLiteral("親"));
    EXPECT_TRUE(parent->expanded()); // the parent was finished with what it had
    EXPECT_EQ(FromSjis(parent->child(0)->item()->Title), QStringLiteral("子"));
    EXPECT_EQ(parent->child(0)->item()->LabelIndex, 0);
}

TEST(OutlineFileBroken, DamagedCompressedPageFailsWhenShownAndIsKept) {
    const QByteArray junk = "\x78\x9c junk that is no deflate data";
    const QByteArray bytes =
        withHead(ByteBuilder().u8(0).u8(4).str("p").u8(17).i32(junk.size()).raw(junk).u8(1));
    Doc doc;
    ASSERT_TRUE(doc.read(bytes).ok);
    TLeafNote* item = doc.outline.topLevel(0)->item();
    EXPECT_THROW(item->GetPage(), EReadError);
    // Saving again loses nothing: the stored bytes go back as they came.
    EXPECT_TRUE(doc.write().contains(junk));
}

TEST(OutlineFileRoundTrip, UnshownPagesAreWrittenBackByteForByte) {
    // Level 1 output differs from what the writer would make at level 6, so
    // only an untouched copy can produce these bytes again.
    QByteArray rtf = "{\\rtf1\\ansi ";
    for (int i = 0; i < 200; ++i)
        rtf += "line " + QByteArray::number(i % 17) + " of the page\\par ";
    rtf += "}";
    const QByteArray stored = Fixture::deflate(rtf, 1);
    ASSERT_NE(stored, Fixture::deflate(rtf, 6));
    const QByteArray bytes = withHead(ByteBuilder()
                                          .u8(0)
                                          .u8(4)
                                          .str("shown")
                                          .u8(17)
                                          .i32(stored.size())
                                          .raw(stored)
                                          .u8(1)
                                          .u8(0)
                                          .u8(4)
                                          .str("never shown")
                                          .u8(17)
                                          .i32(stored.size())
                                          .raw(stored)
                                          .u8(1)
                                          .u8(0)
                                          .u8(4)
                                          .str("edited")
                                          .u8(17)
                                          .i32(stored.size())
                                          .raw(stored)
                                          .u8(1));
    Doc doc;
    ASSERT_TRUE(doc.read(bytes).ok);
    TLeafNote* shown = doc.outline.topLevel(0)->item();
    TLeafNote* edited = doc.outline.topLevel(2)->item();
    EXPECT_EQ(shown->GetPage(), rtf);
    EXPECT_TRUE(shown->PageExpanded);
    edited->SetPage("edited", rtf);

    const QByteArray again = doc.write();
    Doc back;
    ASSERT_TRUE(back.read(again).ok);
    EXPECT_EQ(back.outline.topLevel(0)->item()->PageCompressed, stored);
    EXPECT_EQ(back.outline.topLevel(1)->item()->PageCompressed, stored);
    EXPECT_EQ(back.outline.topLevel(2)->item()->PageCompressed, Fixture::deflate(rtf, 6));
    EXPECT_EQ(back.outline.topLevel(2)->item()->GetPage(), rtf);
    // An unchanged document is written back exactly.
    EXPECT_EQ(back.write(), again);
}

TEST(OutlineFileRoundTrip, EmptyPageWritesNoCompressedPage) {
    Doc doc;
    TLeafNote* item = TLeafNote::Create(doc.outline, InsertBottomOfLevel, nullptr);
    item->PageText = "text only";
    const QByteArray record = OutlineFile::writeItems(item->TreeNode, false);
    // the last tag before the end is the page text, not 17
    const QByteArray tail = QByteArray("\x0e", 1) + ByteBuilder().str("text only").bytes() + '\x01';
    EXPECT_TRUE(record.endsWith(tail));
    item->PageText.clear();
    EXPECT_EQ(OutlineFile::writeItems(item->TreeNode, false).size(), 2 + 56 + 1 + 4 + 12 + 1);
}

TEST(OutlineFileRoundTrip, ReadingResetsViewsOnce) {
    Doc doc;
    QSignalSpy resets(&doc.outline, &TOutline::resetDone);
    QSignalSpy inserts(&doc.outline, &TOutline::nodeInserted);
    const QByteArray bytes = withHead(ByteBuilder().u8(0).u8(11).i32(1).u8(12).u8(1).u8(0).u8(1));
    ASSERT_TRUE(doc.read(bytes).ok);
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(inserts.count(), 0);
    EXPECT_TRUE(doc.outline.topLevel(0)->expanded());
}

TEST(OutlineFileDeep, TwoHundredThousandLevelsReadAndWrite) {
    constexpr int depth = 200000;
    Doc doc;
    const auto r = doc.read(Fixture::deepChain(depth));
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(doc.outline.count(), depth);
    EXPECT_EQ(doc.outline.depth(), depth);
    const QByteArray bytes = doc.write();
    Doc back;
    ASSERT_TRUE(back.read(bytes).ok);
    EXPECT_EQ(back.outline.depth(), depth);
    // records carry their default titles: "新しいブック" on top, "新しい項目" below
    const qsizetype book = 2 + 56 + 1 + 4 + 12 + 1, item = 2 + 56 + 1 + 4 + 10 + 1;
    EXPECT_EQ(OutlineFile::writeItems(back.outline.topLevel(0), true).size(),
              book + qsizetype(depth - 1) * item);
}

TEST(OutlineFileWrite, DeviceFailureIsReported) {
    Doc doc;
    TLeafNote::Create(doc.outline, InsertBottomOfLevel, nullptr)->PageText = QByteArray(500, 'x');
    const QByteArray bytes = doc.write();
    FailDevice device(100);
    ASSERT_TRUE(device.open(QIODevice::WriteOnly));
    QString error;
    EXPECT_FALSE(OutlineFile::writeToDevice(device, bytes, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("No space left on device"))) << error.toStdString();
    EXPECT_EQ(device.written().size(), 100);

    FailDevice roomy(1 << 20);
    ASSERT_TRUE(roomy.open(QIODevice::WriteOnly));
    EXPECT_TRUE(OutlineFile::writeToDevice(roomy, bytes, &error));
    EXPECT_EQ(roomy.written(), bytes);
}

TEST(OutlineFileWrite, FilesOnDisk) {
    TestHome home;
    const QString path = home.file(QStringLiteral("文書.wrn"));
    Doc doc;
    TLeafNote::Create(doc.outline, InsertBottomOfLevel, nullptr)->Title = Sjis("項目");
    const QByteArray bytes = doc.write();
    QString error;
    ASSERT_TRUE(OutlineFile::writeFile(path, bytes, &error)) << error.toStdString();

    Doc back;
    const auto r = OutlineFile::readFile(path, back.settings, back.outline);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    EXPECT_EQ(FromSjis(back.outline.topLevel(0)->item()->Title), QStringLiteral("項目"));

    // A folder that does not exist, and a folder in the file's place.
    EXPECT_FALSE(OutlineFile::writeFile(home.file(QStringLiteral("無い/文書.wrn")), bytes, &error));
    EXPECT_FALSE(error.isEmpty());
    QDir(home.path()).mkdir(QStringLiteral("フォルダ.wrn"));
    error.clear();
    EXPECT_FALSE(OutlineFile::writeFile(home.file(QStringLiteral("フォルダ.wrn")), bytes, &error));
    EXPECT_FALSE(error.isEmpty());

    const auto missing =
        OutlineFile::readFile(home.file(QStringLiteral("無い.wrn")), back.settings, back.outline);
    EXPECT_FALSE(missing.ok);
    EXPECT_FALSE(missing.error.isEmpty());
}

TEST(OutlineFileWrite, PipeInTheFilesPlaceTakesTheBytesAndStays) {
    TestHome home;
    const QString path = home.file(QStringLiteral("管.wrn"));
    const QByteArray native = QFile::encodeName(path);
    ASSERT_EQ(::mkfifo(native.constData(), 0600), 0);
    // A reader that does not wait, so the writer can open the pipe at once.
    const int reader = ::open(native.constData(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    Doc doc;
    TLeafNote::Create(doc.outline, InsertBottomOfLevel, nullptr)->Title = Sjis("項目");
    const QByteArray bytes = doc.write();
    ASSERT_LT(bytes.size(), 4096); // fits the pipe's buffer

    QString error;
    EXPECT_TRUE(OutlineFile::writeFile(path, bytes, &error)) << error.toStdString();
    struct stat st {};
    ASSERT_EQ(::lstat(native.constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "the pipe was replaced by a file";
    QByteArray got(bytes.size() + 16, '\0');
    const ssize_t n = ::read(reader, got.data(), size_t(got.size()));
    ::close(reader);
    EXPECT_EQ(got.left(n < 0 ? 0 : qsizetype(n)), bytes);
}

TEST(OutlineFileWrite, LkpChosenByExtensionInAnyCase) {
    TestHome home;
    const QString path = home.file(QStringLiteral("古い.LKP"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(Sjis("第一\t0\r\n第二\t1\r\n"));
    f.close();
    Doc doc;
    TLeafNote::Create(doc.outline, InsertBottomOfLevel, nullptr); // replaced by the import
    const auto r = OutlineFile::readFile(path, doc.settings, doc.outline);
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    ASSERT_EQ(doc.outline.topLevelCount(), 2);
    EXPECT_EQ(FromSjis(doc.outline.topLevel(1)->item()->Title), QStringLiteral("第二"));
}

} // namespace

// Streamed writing gives the same file, counts its bytes, and leaves the old
// file where the content cannot be made or written.
TEST(OutlineFileWrite, AStreamedFileIsTheImageAndFailuresKeepTheOld) {
    TestHome home;
    const QString path = home.file(QStringLiteral("流れ.wrn"));
    Doc doc;
    for (int i = 0; i < 500; ++i) {
        TLeafNote* item = TLeafNote::Create(doc.outline, InsertBottomOfLevel, nullptr);
        item->PageText = QByteArray(5000, char('a' + i % 26));
    }
    const QByteArray bytes = doc.write();
    ASSERT_GT(bytes.size(), 1 << 21);
    auto produce = [&doc](TByteSink& sink) {
        OutlineFile::writeDocument(doc.settings, doc.outline, sink);
    };
    qint64 written = 0;
    QString error;
    ASSERT_TRUE(OutlineFile::writeFile(path, produce, &written, &error)) << error.toStdString();
    EXPECT_EQ(written, bytes.size());
    QFile in(path);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    EXPECT_EQ(in.readAll(), bytes);
    in.close();

    EXPECT_FALSE(OutlineFile::writeFile(
        path,
        [](TByteSink& sink) {
            sink.write("half", 4);
            throw EReadError(QStringLiteral("ページの圧縮に失敗しました"));
        },
        nullptr, &error));
    EXPECT_EQ(error, QStringLiteral("ページの圧縮に失敗しました"));
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    EXPECT_EQ(in.readAll(), bytes) << "the old file stays";
}
