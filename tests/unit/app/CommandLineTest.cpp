#include "CommandLine.h"

#include "TestSupport.h"
#include "platform/SingleInstance.h"

#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

TCommandLine parse(const QStringList& args) {
    return TCommandLine::Parse(args);
}

struct Outcome {
    int code = -1;
    QString out, err;
};

// The program itself, without a display or a session bus.
Outcome run(const QStringList& args, const QByteArray& input = QByteArray(),
            const QString& home = QString()) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    if (!home.isEmpty()) {
        env.insert(QStringLiteral("WRENNOTE_HOME"), home);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    }
    p.setProcessEnvironment(env);
    p.start(qEnvironmentVariable("WRENNOTE_EXE"), args);
    Outcome r;
    if (!p.waitForStarted(10000))
        return r;
    p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(20000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

} // namespace

TEST(CommandLine, StartsClipsOrHelps) {
    EXPECT_EQ(parse({}).action, TCommandLine::Start);
    EXPECT_EQ(parse({QStringLiteral("-n")}).action, TCommandLine::Start);
    EXPECT_EQ(parse({QStringLiteral("メモ.wrn")}).action, TCommandLine::Start);
    EXPECT_EQ(parse({QStringLiteral("--"), QStringLiteral("-名前.wrn")}).action,
              TCommandLine::Start);
    EXPECT_EQ(parse({QStringLiteral("a.wrn"), QStringLiteral("--help")}).action,
              TCommandLine::Help);
    EXPECT_EQ(parse({QStringLiteral("-h")}).action, TCommandLine::Help);
    EXPECT_EQ(parse({QStringLiteral("--version")}).action, TCommandLine::Version);

    TCommandLine clip = parse({QStringLiteral("--clip")});
    EXPECT_EQ(clip.action, TCommandLine::Clip);
    EXPECT_FALSE(clip.clipStdin);
    EXPECT_TRUE(clip.clipDocument.isEmpty());
    clip = parse({QStringLiteral("--clip"), QStringLiteral("-"), QStringLiteral("予定.wrn")});
    EXPECT_EQ(clip.action, TCommandLine::Clip);
    EXPECT_TRUE(clip.clipStdin);
    EXPECT_EQ(clip.clipDocument, QStringLiteral("予定.wrn"));
    clip = parse({QStringLiteral("--clip"), QStringLiteral("予定.wrn")});
    EXPECT_FALSE(clip.clipStdin);
    EXPECT_EQ(clip.clipDocument, QStringLiteral("予定.wrn"));
}

TEST(CommandLine, QtsOwnOptionsPassAndOthersAreMistakes) {
    // A session manager restarts the program with -session; styles and platforms stay usable.
    EXPECT_EQ(
        parse({QStringLiteral("-session"), QStringLiteral("1a2b"), QStringLiteral("a.wrn")}).action,
        TCommandLine::Start);
    EXPECT_EQ(parse({QStringLiteral("--platform=xcb"), QStringLiteral("-reverse")}).action,
              TCommandLine::Start);
    EXPECT_EQ(parse({QStringLiteral("-style"), QStringLiteral("fusion"), QStringLiteral("--clip")})
                  .action,
              TCommandLine::Clip);

    const QStringList wrong[] = {
        {QStringLiteral("--bogus")},
        {QStringLiteral("-x")},
        {QStringLiteral("-style")},
        {QStringLiteral("-reverse=1")},
        {QStringLiteral("--clip"), QStringLiteral("--clip")},
        {QStringLiteral("--clip"), QStringLiteral("a.wrn"), QStringLiteral("b.wrn")},
        {QStringLiteral("a.wrn"), QStringLiteral("--clip")},
        {QStringLiteral("--clip"), QStringLiteral("-n")},
    };
    for (const QStringList& args : wrong) {
        const TCommandLine line = parse(args);
        EXPECT_EQ(line.action, TCommandLine::Mistake) << args.join(QLatin1Char(' ')).toStdString();
        EXPECT_FALSE(line.mistake.isEmpty());
        EXPECT_FALSE(line.mistake.contains(QLatin1Char('\n')));
    }
    EXPECT_TRUE(parse({QStringLiteral("--bogus")}).mistake.contains(QStringLiteral("「--bogus」")));
}

TEST(CommandLine, HelpVersionAndMistakesNeedNoDisplay) {
    ASSERT_TRUE(QFileInfo::exists(qEnvironmentVariable("WRENNOTE_EXE")));
    const Outcome help = run({QStringLiteral("--help")});
    EXPECT_EQ(help.code, 0);
    EXPECT_TRUE(help.out.contains(QStringLiteral("--clip -")));
    EXPECT_TRUE(help.out.contains(QStringLiteral("標準入力")));
    EXPECT_TRUE(help.err.isEmpty()) << help.err.toStdString();

    const Outcome version = run({QStringLiteral("--version")});
    EXPECT_EQ(version.code, 0);
    EXPECT_TRUE(version.out.startsWith(QStringLiteral("WrenNOTE ")));

    const Outcome bogus = run({QStringLiteral("--bogus")});
    EXPECT_EQ(bogus.code, 2);
    EXPECT_TRUE(bogus.out.isEmpty());
    EXPECT_EQ(bogus.err.count(QLatin1Char('\n')), 1) << bogus.err.toStdString();
    EXPECT_TRUE(bogus.err.contains(QStringLiteral("不明なオプション")));
}

TEST(CommandLine, AClipThatCannotBeMadeSaysWhyInOneLine) {
    TestHome home;
    // The clipboard needs a display.
    Outcome r = run({QStringLiteral("--clip")}, QByteArray(), home.path());
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.err.count(QLatin1Char('\n')), 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("wrennote --clip -")));
    // Nothing but blanks on standard input.
    r = run({QStringLiteral("--clip"), QStringLiteral("-")}, " \n\t\n", home.path());
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("標準入力にテキストがありません")))
        << r.err.toStdString();
    // No document to clip into: no history, no document in the program folder.
    r = run({QStringLiteral("--clip"), QStringLiteral("-")}, "メモ\n", home.path());
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("クリッピング先の文書がありません")))
        << r.err.toStdString();
    // A document named that is not there.
    r = run({QStringLiteral("--clip"), QStringLiteral("-"), home.file(QStringLiteral("無い.wrn"))},
            "メモ\n", home.path());
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("無い.wrn"))) << r.err.toStdString();
    // Over the cap.
    r = run({QStringLiteral("--clip"), QStringLiteral("-")},
            QByteArray(int(TSingleInstance::MaxClipBytes) + 1, 'a'), home.path());
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("大きすぎます"))) << r.err.toStdString();
    EXPECT_EQ(r.err.count(QLatin1Char('\n')), 1);
}
