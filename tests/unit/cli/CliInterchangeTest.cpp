// wrennote-cli import and export --format, run as the user runs them.
#include "TestSupport.h"

#include "file/Cp932.h"
#include "file/OutlineFile.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "settings/OptionDesc.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct CliRun {
    int exitCode = -1;
    QString out, err;
};

CliRun cli(const QStringList& args) {
    QProcess p;
    // A runtime folder of its own, so Qt has nothing to say on standard error.
    static QTemporaryDir runtime;
    QFile::setPermissions(runtime.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    p.setProcessEnvironment(env);
    const QString fromEnv = qEnvironmentVariable("WRENNOTE_CLI");
    p.start(fromEnv.isEmpty() ? QStringLiteral(WRENNOTE_CLI_PATH) : fromEnv, args);
    CliRun r;
    if (!p.waitForFinished(120000))
        return r;
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

// Titles in tree order with their depth: "0:a", "1:b", ...
QStringList titles(const QString& path) {
    TOptionDesc settings;
    TOutline outline(&settings);
    const OutlineFile::ReadResult r = OutlineFile::readFile(path, settings, outline);
    EXPECT_TRUE(r.ok) << r.error.toStdString();
    QStringList out;
    outline.forEach([&](TOutlineNode* n) {
        if (!n->item()->IsTrash() && !n->item()->IsInTrash())
            out.append(
                QStringLiteral("%1:%2").arg(n->level()).arg(Cp932::toUnicode(n->item()->Title)));
        return true;
    });
    outline.clear();
    return out;
}

class CliInterchange : public ::testing::Test {
protected:
    TestHome home;
    QString path(const char* name) const { return home.file(QString::fromUtf8(name)); }
};

TEST_F(CliInterchange, ImportsByExtensionOrContentIntoANewDocument) {
    const QString opml = path("計画.opml"), md = path("メモ"), out = path("結果.wrn");
    writeAll(opml, "<?xml version=\"1.0\"?><opml version=\"2.0\"><head/><body>"
                   "<outline text=\"親\"><outline text=\"子\" _note=\"本文\"/></outline>"
                   "</body></opml>");
    CliRun r = cli({QStringLiteral("import"), opml, out});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(out + QStringLiteral(": 2 items")));
    EXPECT_EQ(titles(out), (QStringList{QStringLiteral("0:親"), QStringLiteral("1:子")}));

    // No extension: the content tells; an existing document is not replaced.
    writeAll(md, "# 一\n\n## 二\n");
    r = cli({QStringLiteral("import"), md, out});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.startsWith(out + QStringLiteral(": ")));
    EXPECT_EQ(titles(out).size(), 2);
    r = cli({QStringLiteral("import"), md, out, QStringLiteral("--force")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(titles(out), (QStringList{QStringLiteral("0:一"), QStringLiteral("1:二")}));
}

TEST_F(CliInterchange, ABrokenFileWritesNothing) {
    const QString in = path("壊れた.ctd"), out = path("出力.wrn");
    writeAll(in, "<?xml version=\"1.0\"?>\n<cherrytree>\n<node name=\"a\">");
    const CliRun r = cli({QStringLiteral("import"), in, out});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.startsWith(in + QStringLiteral(": "))) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("壊れた.ctd")));
    EXPECT_EQ(r.err.count(QLatin1Char('\n')), 1);
    EXPECT_FALSE(QFile::exists(out));
}

TEST_F(CliInterchange, ExportsEachFormatAndABranch) {
    const QString doc = path("見本.wrn");
    ASSERT_EQ(cli({QStringLiteral("generate"), QStringLiteral("60"), doc}).exitCode, 0);
    for (const char* format : {"opml", "markdown", "html"}) {
        SCOPED_TRACE(format);
        const QString out = path("出力.") + QString::fromLatin1(format);
        const CliRun r = cli({QStringLiteral("export"), doc, QStringLiteral("--format"),
                              QString::fromLatin1(format), QStringLiteral("-o"), out});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_FALSE(readAll(out).isEmpty());
    }
    EXPECT_TRUE(readAll(path("出力.html")).contains("<html lang=\"ja\">"));

    // OPML back in: the same outline, the trash left out.
    const QString back = path("戻し.wrn");
    ASSERT_EQ(cli({QStringLiteral("import"), path("出力.opml"), back}).exitCode, 0);
    EXPECT_EQ(titles(back), titles(doc));

    const CliRun bad = cli({QStringLiteral("export"), doc, QStringLiteral("--format"),
                            QStringLiteral("pdf"), QStringLiteral("-o"), path("x.pdf")});
    EXPECT_EQ(bad.exitCode, 2);
    const CliRun noRoot = cli({QStringLiteral("export"), doc, QStringLiteral("--format"),
                               QStringLiteral("opml"), QStringLiteral("-o"), path("x.opml"),
                               QStringLiteral("--root"), QStringLiteral("99999")});
    EXPECT_EQ(noRoot.exitCode, 1);
    EXPECT_FALSE(QFile::exists(path("x.opml")));
}

} // namespace
