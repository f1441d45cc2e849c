#include "TestSupport.h"
#include "XServer.h"
#include "doc/WrenDoc.h"
#include "file/OutlineFile.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "platform/SingleInstance.h"
#include "settings/OptionDesc.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>

#include <csignal>
#include <memory>

namespace {

bool waitFor(const std::function<bool()>& cond, int ms = 15000) {
    QElapsedTimer timer;
    timer.start();
    while (!cond()) {
        if (timer.elapsed() > ms)
            return false;
        QThread::msleep(100);
    }
    return true;
}

// The program and xdotool, run against the test's own X server and program folder.
class Desktop {
public:
    Desktop(const TestXServer& x, const TestHome& home) {
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.insert(QStringLiteral("DISPLAY"), QString::fromStdString(x.display()));
        m_env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        m_env.insert(QStringLiteral("WRENNOTE_HOME"), home.path());
        m_env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path() + QStringLiteral("/config"));
    }
    ~Desktop() {
        for (auto& p : m_programs) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(5000);
            }
        }
    }

    QProcess* start(const QStringList& args) {
        auto p = std::make_unique<QProcess>();
        p->setProcessEnvironment(m_env);
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->start(qEnvironmentVariable("WRENNOTE_EXE"), args);
        p->waitForStarted(10000);
        m_programs.push_back(std::move(p));
        return m_programs.back().get();
    }

    // A tray host (trayer), so that a window may wait hidden in the tray.
    bool startTray() {
        auto p = std::make_unique<QProcess>();
        p->setProcessEnvironment(m_env);
        p->start(QStringLiteral("trayer"),
                 {QStringLiteral("--edge"), QStringLiteral("top"), QStringLiteral("--widthtype"),
                  QStringLiteral("request"), QStringLiteral("--transparent"),
                  QStringLiteral("false")});
        if (!p->waitForStarted(10000))
            return false;
        m_programs.push_back(std::move(p));
        return !xdotool({QStringLiteral("search"), QStringLiteral("--sync"),
                         QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                         QStringLiteral("^panel$")})
                    .isEmpty();
    }

    QString xdotool(const QStringList& args) const {
        QProcess p;
        p.setProcessEnvironment(m_env);
        p.start(QStringLiteral("xdotool"), args);
        p.waitForFinished(10000);
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }

    // Ids of the windows whose name is exactly title (visible ones only when asked).
    QStringList windows(const QString& title, bool onlyVisible) const {
        QStringList args{QStringLiteral("search")};
        if (onlyVisible)
            args << QStringLiteral("--onlyvisible");
        args << QStringLiteral("--name") << QStringLiteral("WrenNOTE");
        QStringList found;
        for (const QString& id : xdotool(args).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            if (xdotool({QStringLiteral("getwindowname"), id}) == title)
                found << id;
        return found;
    }

private:
    QProcessEnvironment m_env;
    std::vector<std::unique_ptr<QProcess>> m_programs;
};

bool toolsPresent() {
    return !QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty() &&
           !QStandardPaths::findExecutable(QStringLiteral("trayer")).isEmpty() &&
           QFileInfo::exists(qEnvironmentVariable("WRENNOTE_EXE"));
}

} // namespace

TEST(TwoInstances, TheSecondStartHandsOverAndMinusNAlwaysOpensANewWindow) {
    if (!toolsPresent())
        GTEST_SKIP() << "needs Xvfb, xdotool, trayer and the program (WRENNOTE_EXE)";
    TestHome home;
    TestXServer x;
    ASSERT_TRUE(x.ok()) << "no X server could be started";
    Desktop desk(x, home);
    // Without a tray host the window would show at once, to stay within reach.
    ASSERT_TRUE(desk.startTray()) << "no tray host";

    // A document that keeps its window hidden at start-up, as in the tray.
    const QString doc = home.file(QStringLiteral("二重.wrn"));
    {
        TOptionDesc settings;
        settings.HideForm = true;
        TOutline outline(&settings);
        TLeafNote::Create(outline, 1, nullptr)->Title = Sjis("本");
        QFile f(doc);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(OutlineFile::writeDocument(settings, outline));
    }
    const QString caption = TWrenDoc::CaptionFor(doc);
    const QString socket = TSingleInstance::ServerName(doc);

    QProcess* first = desk.start({doc});
    ASSERT_TRUE(waitFor([&] { return QFileInfo::exists(socket); }))
        << "the first instance holds the document";
    QThread::msleep(500);
    EXPECT_TRUE(desk.windows(caption, true).isEmpty()) << "hidden at start-up";

    // A second start on the same file (another spelling) shows the first window and ends.
    QProcess* second = desk.start({home.path() + QStringLiteral("/./二重.wrn")});
    ASSERT_TRUE(second->waitForFinished(20000)) << "the second instance ends by itself";
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_TRUE(waitFor([&] { return desk.windows(caption, true).size() == 1; }))
        << "the first window comes to the front";
    EXPECT_EQ(desk.windows(caption, false).size(), 1) << "one window for the document";
    EXPECT_EQ(first->state(), QProcess::Running);

    // "-n" starts a new window whatever is open.
    const QString unnamed = TWrenDoc::CaptionFor(QString());
    QProcess* fresh = desk.start({QStringLiteral("-n"), doc});
    EXPECT_TRUE(waitFor([&] { return desk.windows(unnamed, true).size() == 1; }))
        << "a new unnamed window";
    EXPECT_EQ(fresh->state(), QProcess::Running);
    EXPECT_EQ(desk.windows(caption, false).size(), 1);
}

TEST(TwoInstances, AClipWithNoWindowOpenStartsOneOnTheDocument) {
    if (!toolsPresent())
        GTEST_SKIP() << "needs Xvfb, xdotool, trayer and the program (WRENNOTE_EXE)";
    TestHome home;
    TestXServer x;
    ASSERT_TRUE(x.ok()) << "no X server could be started";
    Desktop desk(x, home);
    const QString doc = home.file(QStringLiteral("後から.wrn"));
    {
        TOptionDesc settings;
        TOutline outline(&settings);
        TLeafNote::Create(outline, 1, nullptr)->Title = Sjis("本");
        QFile f(doc);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(OutlineFile::writeDocument(settings, outline));
    }
    const QString caption = TWrenDoc::CaptionFor(doc);
    auto clip = [&](const QByteArray& text) {
        QProcess* p = desk.start({QStringLiteral("--clip"), QStringLiteral("-"), doc});
        p->write(text);
        p->closeWriteChannel();
        if (!p->waitForFinished(40000))
            return -1;
        return p->exitStatus() == QProcess::NormalExit ? p->exitCode() : -2;
    };
    EXPECT_EQ(clip("一つ目\n"), 0) << "the started window took the clip";
    ASSERT_TRUE(waitFor([&] { return desk.windows(caption, true).size() == 1; }))
        << "a window on the document";
    EXPECT_EQ(clip("二つ目\n"), 0);
    QThread::msleep(300);
    EXPECT_EQ(desk.windows(caption, false).size(), 1) << "the same window took the second clip";
    for (const QString& id : desk.windows(caption, false)) {
        const int pid = desk.xdotool({QStringLiteral("getwindowpid"), id}).toInt();
        if (pid > 0)
            ::kill(pid, SIGKILL);
    }
}
