// wrennote-cli file commands, run as the user runs them.
#include "FileFixtures.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include "outline/LeafNote.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace {

struct CliRun {
    int exitCode = -1;
    QString out, err;
};

QString cliPath() {
    const QString fromEnv = qEnvironmentVariable("WRENNOTE_CLI");
    return fromEnv.isEmpty() ? QStringLiteral(WRENNOTE_CLI_PATH) : fromEnv;
}

CliRun cli(const QStringList& args) {
    QProcess p;
    p.start(cliPath(), args);
    CliRun r;
    if (!p.waitForFinished(120000)) {
        r.err = QStringLiteral("did not finish: ") + p.errorString();
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// One line on stderr, naming the file first.
void expectFailureLine(const CliRun& r, const QString& file) {
    EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
    EXPECT_TRUE(r.err.startsWith(file + QStringLiteral(": "))) << r.err.toStdString();
    EXPECT_EQ(r.err.count(QLatin1Char('\n')), 1) << r.err.toStdString();
}

class CliFile : public ::testing::Test {
protected:
    TestHome home;
    QString path(const char* name) const { return home.file(QString::fromUtf8(name)); }
};

TEST_F(CliFile, GenerateIsDeterministicAndInfoCountsIt) {
    const QString a = path("見本a.wrn"), b = path("見本b.wrn"), c = path("見本c.wrn");
    ASSERT_EQ(
        cli({QStringLiteral("generate"), QStringLiteral("300"), a, QStringLiteral("5")}).exitCode,
        0);
    ASSERT_EQ(
        cli({QStringLiteral("generate"), QStringLiteral("300"), b, QStringLiteral("5")}).exitCode,
        0);
    ASSERT_EQ(
        cli({QStringLiteral("generate"), QStringLiteral("300"), c, QStringLiteral("6")}).exitCode,
        0);
    EXPECT_EQ(readAll(a), readAll(b));
    EXPECT_NE(readAll(a), readAll(c));

    const CliRun info = cli({QStringLiteral("info"), a});
    ASSERT_EQ(info.exitCode, 0) << info.err.toStdString();
    EXPECT_TRUE(info.out.contains(QStringLiteral("items: 300\n"))) << info.out.toStdString();
    EXPECT_TRUE(info.out.contains(QStringLiteral("trash: yes")));
    EXPECT_TRUE(info.out.contains(QStringLiteral("expanded 0,"))); // info shows no page
    EXPECT_TRUE(info.out.contains(QStringLiteral("なし, 至急")));
}

TEST_F(CliFile, RoundtripKeepsTheFileAndItsStoredPages) {
    const QString gen = path("生成.wrn"), out = path("出力.wrn");
    ASSERT_EQ(cli({QStringLiteral("generate"), QStringLiteral("200"), gen}).exitCode, 0);
    const CliRun r = cli({QStringLiteral("roundtrip"), gen, out});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(readAll(out), readAll(gen));

    // A page compressed at another level comes back with the same bytes.
    QByteArray page = "{\\rtf1 ";
    for (int i = 0; i < 100; ++i)
        page += "abc def " + QByteArray::number(i % 9);
    page += "}";
    const QByteArray stored = Fixture::deflate(page, 9);
    const QByteArray fixture =
        Fixture::currentSettings() +
        ByteBuilder().u8(0).u8(17).i32(stored.size()).raw(stored).u8(1).bytes();
    const QString in = path("手製.wrn");
    writeAll(in, fixture);
    ASSERT_EQ(cli({QStringLiteral("roundtrip"), in, out}).exitCode, 0);
    EXPECT_TRUE(readAll(out).contains(stored));
}

TEST_F(CliFile, RoundtripRefusesToWriteWhatWasNotReadCorrectly) {
    const QString in = path("壊れた.wrn"), out = path("出力.wrn");
    writeAll(in, Fixture::currentSettings() + ByteBuilder().u8(0).u8(4).i32(-3).bytes());
    const CliRun r = cli({QStringLiteral("roundtrip"), in, out});
    expectFailureLine(r, in);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_FALSE(QFile::exists(out));

    const CliRun info = cli({QStringLiteral("info"), in});
    expectFailureLine(info, in);
    const CliRun missing = cli({QStringLiteral("dump"), path("無い.wrn")});
    expectFailureLine(missing, path("無い.wrn"));
}

TEST_F(CliFile, WriteFailureIsReportedNotSuccess) {
    const QString gen = path("生成.wrn");
    ASSERT_EQ(cli({QStringLiteral("generate"), QStringLiteral("20"), gen}).exitCode, 0);
    const QString nowhere = path("無いフォルダ/出力.wrn");
    const CliRun r = cli({QStringLiteral("roundtrip"), gen, nowhere});
    expectFailureLine(r, nowhere);
    EXPECT_TRUE(r.out.isEmpty());

    QDir(home.path()).mkdir(QStringLiteral("フォルダ.wrn"));
    const CliRun g = cli({QStringLiteral("generate"), QStringLiteral("20"), path("フォルダ.wrn")});
    expectFailureLine(g, path("フォルダ.wrn"));
}

TEST_F(CliFile, OutputIntoAFullDeviceFails) {
    const QString gen = path("生成.wrn");
    ASSERT_EQ(cli({QStringLiteral("generate"), QStringLiteral("20"), gen}).exitCode, 0);
    const QStringList commands[] = {
        {QStringLiteral("dump"), gen},
        {QStringLiteral("info"), gen},
        {QStringLiteral("format-date"), QStringLiteral("yyyy"), QStringLiteral("45000")},
    };
    for (const QStringList& args : commands) {
        SCOPED_TRACE(args.first().toStdString());
        QProcess p;
        p.setStandardOutputFile(QStringLiteral("/dev/full"));
        p.start(cliPath(), args);
        ASSERT_TRUE(p.waitForFinished(120000));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), 1);
        EXPECT_FALSE(p.readAllStandardError().isEmpty());
    }
}

TEST_F(CliFile, UsageErrorsExitWithTwo) {
    EXPECT_EQ(cli({QStringLiteral("info")}).exitCode, 2);
    EXPECT_EQ(cli({QStringLiteral("dump"), QStringLiteral("a"), QStringLiteral("b")}).exitCode, 2);
    EXPECT_EQ(cli({QStringLiteral("roundtrip"), QStringLiteral("a")}).exitCode, 2);
    EXPECT_EQ(cli({QStringLiteral("convert-lkp")}).exitCode, 2);
    EXPECT_EQ(cli({QStringLiteral("generate"), QStringLiteral("many"), path("x.wrn")}).exitCode, 2);
    EXPECT_EQ(cli({QStringLiteral("generate"), QStringLiteral("0"), path("x.wrn")}).exitCode, 2);
    EXPECT_EQ(
        cli({QStringLiteral("generate"), QStringLiteral("5"), path("x.wrn"), QStringLiteral("-1")})
            .exitCode,
        2);
    EXPECT_FALSE(QFile::exists(path("x.wrn")));
}

TEST_F(CliFile, DumpIsJsonWithNestedChildren) {
    const QByteArray page = "{\\rtf1 \\'82\\'a0}";
    const QByteArray zipped = Fixture::deflate(page);
    ByteBuilder b;
    b.raw(Fixture::currentSettings());
    Fixture::Block v;
    v.nodeId = 9;
    v.label = 2;
    v.progress = 1;
    v.created = 45419.5;
    v.due = 45420;
    v.children = 1;
    v.expanded = 1;
    b.u8(0).u8(18);
    Fixture::block(b, v);
    b.u8(4).sjis("親\"引用\"").u8(16).str("C:\\a\r\n").u8(14).sjis("本文\r\n二行目");
    b.u8(17).i32(zipped.size()).raw(zipped).u8(1);
    b.u8(0).u8(4).sjis("子").u8(13).u8(1);
    b.u8(0).u8(15).i32(-1).u8(4).sjis("ごみ箱").u8(1);
    const QString in = path("ダンプ.wrn");
    writeAll(in, b.bytes());

    const CliRun r = cli({QStringLiteral("dump"), in});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    QJsonParseError error;
    const QJsonDocument json = QJsonDocument::fromJson(r.out.toUtf8(), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    EXPECT_EQ(json[QStringLiteral("Settings")][QStringLiteral("NextNodeId")].toInt(), 1);
    const QJsonArray items = json[QStringLiteral("Items")].toArray();
    ASSERT_EQ(items.size(), 2);
    const QJsonObject parent = items[0].toObject();
    EXPECT_EQ(parent[QStringLiteral("Title")].toString(), QStringLiteral("親\"引用\""));
    EXPECT_EQ(parent[QStringLiteral("NodeId")].toInt(), 9);
    EXPECT_EQ(parent[QStringLiteral("LabelIndex")].toInt(), 2);
    EXPECT_EQ(parent[QStringLiteral("Progress")].toInt(), 1);
    EXPECT_EQ(parent[QStringLiteral("CreatedDate")].toDouble(), 45419.5);
    EXPECT_EQ(parent[QStringLiteral("CreatedDateText")].toString(),
              QStringLiteral("2024-05-07 12:00:00"));
    EXPECT_EQ(parent[QStringLiteral("DueDateText")].toString(),
              QStringLiteral("2024-05-08 00:00:00"));
    EXPECT_EQ(parent[QStringLiteral("Links")].toString(), QStringLiteral("C:\\a\r\n"));
    EXPECT_EQ(parent[QStringLiteral("PageText")].toString(), QStringLiteral("本文\r\n二行目"));
    EXPECT_EQ(parent[QStringLiteral("PageRich")].toString(), QString::fromLatin1(page));
    EXPECT_EQ(parent[QStringLiteral("PageCompressedBytes")].toInt(), zipped.size());
    EXPECT_TRUE(parent[QStringLiteral("Expanded")].toBool());
    const QJsonArray children = parent[QStringLiteral("Children")].toArray();
    ASSERT_EQ(children.size(), 1);
    EXPECT_EQ(children[0][QStringLiteral("Title")].toString(), QStringLiteral("子"));
    EXPECT_TRUE(children[0][QStringLiteral("Selected")].toBool());
    EXPECT_TRUE(children[0][QStringLiteral("Children")].toArray().isEmpty());
    EXPECT_TRUE(items[1][QStringLiteral("Trash")].toBool());
}

TEST_F(CliFile, DumpEscapesControlBytesOfLongPagesAsItWritesThem) {
    // Longer than the output's buffer, so the text goes out in parts.
    QByteArray page;
    for (int i = 0; i < (1 << 19); ++i)
        page += QByteArray("\x01\x1f\\\"a");
    const QString in = path("制御.wrn");
    writeAll(in, Fixture::currentSettings() +
                     ByteBuilder().u8(0).u8(4).str("t\x02").u8(14).str(page).u8(1).bytes());
    const CliRun r = cli({QStringLiteral("dump"), in});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("\\u0001\\u001f\\\\\\\"a")));
    QJsonParseError error;
    const QJsonDocument json = QJsonDocument::fromJson(r.out.toUtf8(), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    const QJsonObject item = json[QStringLiteral("Items")].toArray()[0].toObject();
    EXPECT_EQ(item[QStringLiteral("Title")].toString(), QStringLiteral("t\x02"));
    EXPECT_EQ(item[QStringLiteral("PageText")].toString(), QString::fromLatin1(page));
}

TEST_F(CliFile, ConvertLkp) {
    const QString in = path("古い.lkp"), out = path("新しい.wrn");
    writeAll(in, Sjis("本\t0\r\n本\t章\t1\r\n\x04\r\n一行目\r\n-\r\n\x04\r\n"));
    const CliRun r = cli({QStringLiteral("convert-lkp"), in, out});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const CliRun info = cli({QStringLiteral("info"), out});
    EXPECT_TRUE(info.out.contains(QStringLiteral("items: 2\n"))) << info.out.toStdString();
    EXPECT_TRUE(info.out.contains(QStringLiteral("depth: 2\n")));

    const QString broken = path("壊れた.lkp"), out2 = path("出力2.wrn");
    writeAll(broken, QByteArray("a\t0\r\n\x04\r\ntext\r\n"));
    const CliRun bad = cli({QStringLiteral("convert-lkp"), broken, out2});
    expectFailureLine(bad, broken);
    EXPECT_FALSE(QFile::exists(out2));
}

TEST_F(CliFile, ImportText) {
    const QString in = path("階層.txt"), out = path("階層.wrn");
    writeAll(in, QByteArray("\xEF\xBB\xBF前書き\n#章\n##節\n本文\n"));
    const CliRun r = cli({QStringLiteral("import-text"), in, out, QStringLiteral("#")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const CliRun dump = cli({QStringLiteral("dump"), out});
    const QJsonArray items =
        QJsonDocument::fromJson(dump.out.toUtf8())[QStringLiteral("Items")].toArray();
    ASSERT_EQ(items.size(), 2);
    const QJsonObject top = items[0].toObject();
    EXPECT_EQ(top[QStringLiteral("Title")].toString(), QStringLiteral("階層"));
    EXPECT_EQ(top[QStringLiteral("PageText")].toString(), QStringLiteral("前書き\r\n"));
    const QJsonObject chapter = top[QStringLiteral("Children")].toArray()[0].toObject();
    EXPECT_EQ(chapter[QStringLiteral("Title")].toString(), QStringLiteral("章"));
    const QJsonObject section = chapter[QStringLiteral("Children")].toArray()[0].toObject();
    EXPECT_EQ(section[QStringLiteral("Title")].toString(), QStringLiteral("節"));
    EXPECT_EQ(section[QStringLiteral("PageText")].toString(), QStringLiteral("本文\r\n"));
    EXPECT_TRUE(items[1][QStringLiteral("Trash")].toBool());

    const QString binary = path("画像.txt"), out2 = path("出力2.wrn");
    writeAll(binary, QByteArray("GIF89a\0\0", 8));
    expectFailureLine(cli({QStringLiteral("import-text"), binary, out2}), binary);
    EXPECT_FALSE(QFile::exists(out2));
    EXPECT_EQ(cli({QStringLiteral("import-text"), in, out2, QStringLiteral("ab")}).exitCode, 2);
}

TEST_F(CliFile, PipesFoldersAndDevicesAreRefusedAtOnce) {
    const QString fifo = path("管.wrn");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // A blocking open would wait for a writer that never comes.
    CliRun r = cli({QStringLiteral("info"), fifo});
    expectFailureLine(r, fifo);
    EXPECT_TRUE(r.err.contains(QStringLiteral("名前付きパイプ"))) << r.err.toStdString();
    r = cli({QStringLiteral("convert-lkp"), fifo, path("出.wrn")});
    expectFailureLine(r, fifo);

    const QString folder = path("箱.wrn");
    ASSERT_TRUE(QDir().mkpath(folder));
    r = cli({QStringLiteral("dump"), folder});
    expectFailureLine(r, folder);
    EXPECT_TRUE(r.err.contains(QStringLiteral("フォルダ"))) << r.err.toStdString();

    r = cli({QStringLiteral("info"), QStringLiteral("/dev/null")});
    expectFailureLine(r, QStringLiteral("/dev/null"));
    EXPECT_TRUE(r.err.contains(QStringLiteral("デバイス"))) << r.err.toStdString();

    const QString empty = path("空.wrn");
    writeAll(empty, QByteArray());
    r = cli({QStringLiteral("info"), empty});
    expectFailureLine(r, empty);
    EXPECT_TRUE(r.err.contains(QStringLiteral("空です"))) << r.err.toStdString();
}

TEST_F(CliFile, GigabytesOfZerosAreRefusedFromTheirFirstKilobytes) {
    const QString zeros = path("零.wrn");
    {
        QFile f(zeros);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(qint64(4) << 30)); // sparse
    }
    const CliRun r = cli({QStringLiteral("info"), zeros});
    expectFailureLine(r, zeros);
    EXPECT_TRUE(r.err.contains(QStringLiteral("意味のないバイト"))) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("位置 4097"))) << r.err.toStdString();
}

TEST_F(CliFile, APageBeyondTheDocumentsBudgetIsReportedNotExpanded) {
    // 300 MiB of one letter compress to well under a megabyte: past the
    // budget of 64 x the file + 256 MiB.
    const QByteArray zlib = PageZip::compress(QByteArray(300 << 20, 'a'));
    ASSERT_LT(zlib.size(), 1 << 20);
    const QString bomb = path("爆弾.wrn");
    writeAll(bomb, Fixture::currentSettings() + ByteBuilder()
                                                    .u8(0)
                                                    .u8(4)
                                                    .str("bomb")
                                                    .u8(17)
                                                    .i32(int32_t(zlib.size()))
                                                    .raw(zlib)
                                                    .u8(1)
                                                    .u8(0)
                                                    .u8(4)
                                                    .str("small")
                                                    .u8(1)
                                                    .bytes());
    const CliRun r = cli({QStringLiteral("dump"), bomb});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QJsonArray items =
        QJsonDocument::fromJson(r.out.toUtf8())[QStringLiteral("Items")].toArray();
    ASSERT_EQ(items.size(), 2);
    EXPECT_TRUE(items[0][QStringLiteral("PageRich")].isNull());
    EXPECT_TRUE(items[0][QStringLiteral("PageError")].toString().contains(QStringLiteral("上限")));
    EXPECT_EQ(items[1][QStringLiteral("Title")].toString(), QStringLiteral("small"));
}

} // namespace

TEST_F(CliFile, MergeWritesAThirdFileWithEveryItemOfBothAndAReport) {
    const QString a = path("一.wrn"), b = path("二.wrn"), out = path("統合.wrn");
    ASSERT_EQ(
        cli({QStringLiteral("generate"), QStringLiteral("40"), a, QStringLiteral("1")}).exitCode,
        0);
    ASSERT_EQ(
        cli({QStringLiteral("generate"), QStringLiteral("25"), b, QStringLiteral("2")}).exitCode,
        0);
    const QByteArray before = readAll(a);
    const CliRun r = cli({QStringLiteral("merge"), a, b, QStringLiteral("-o"), out});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(readAll(a), before);
    // Unrelated: every item of the second comes in (its trash is ours).
    EXPECT_TRUE(r.out.contains(QStringLiteral("追加 24 件"))) << r.out.toStdString();
    const CliRun info = cli({QStringLiteral("info"), out});
    EXPECT_TRUE(info.out.contains(QStringLiteral("items: 64\n"))) << info.out.toStdString();

    // Never onto one of the two it reads.
    const CliRun onto = cli({QStringLiteral("merge"), a, b, QStringLiteral("-o"), a});
    EXPECT_EQ(onto.exitCode, 1);
    EXPECT_EQ(readAll(a), before);
    EXPECT_EQ(cli({QStringLiteral("merge"), a, b}).exitCode, 2);
}
