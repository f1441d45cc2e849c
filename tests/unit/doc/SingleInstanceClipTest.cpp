// Text handed to the window of a document by `wrennote --clip`: over the
// hand-over socket, with its checks, its caps and its answers.
#include "platform/SingleInstance.h"

#include "InstanceSupport.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/fsuid.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct SocketHome {
    TestHome home;
    std::unique_ptr<EnvScope> tmp, runtime;
    SocketHome() {
        tmp = std::make_unique<EnvScope>("TMPDIR", QFile::encodeName(home.path()));
        runtime = std::make_unique<EnvScope>("XDG_RUNTIME_DIR", QByteArray());
    }
    QString doc(const char* name) const { return home.file(QString::fromUtf8(name)); }
};

// SendClip from another thread while this one serves the server.
TSingleInstance::ClipResult clipFromAnotherThread(const QString& doc, const QString& text,
                                                  QString* reason = nullptr, int ms = 3000) {
    std::atomic<int> result{-1};
    QString why;
    QThread* thread =
        QThread::create([&] { result = TSingleInstance::SendClip(doc, text, &why, ms); });
    thread->start();
    while (result < 0)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    thread->wait();
    delete thread;
    if (reason)
        *reason = why;
    return TSingleInstance::ClipResult(result.load());
}

} // namespace

TEST(SingleInstanceClip, TheTextReachesTheHolderWhole) {
    SocketHome h;
    const QString doc = h.doc("切り抜き.wrn");
    TSingleInstance holder;
    ASSERT_TRUE(holder.Listen(doc));
    QStringList got;
    holder.ClipHandler = [&got](const QString& text) {
        got << text;
        return QString();
    };
    const QString text = QStringLiteral("\n  見出し〜です\r\n本文 ①\t😀\n");
    EXPECT_EQ(clipFromAnotherThread(doc, text), TSingleInstance::ClipMade);
    ASSERT_EQ(got.size(), 1);
    EXPECT_EQ(got.first(), text);

    // A clip at the cap arrives too, in one piece.
    const QString big(int(TSingleInstance::MaxClipBytes), QLatin1Char('x'));
    EXPECT_EQ(clipFromAnotherThread(doc, big, nullptr, 10000), TSingleInstance::ClipMade);
    ASSERT_EQ(got.size(), 2);
    EXPECT_EQ(got.last().size(), big.size());
    // One byte more is never sent.
    EXPECT_EQ(TSingleInstance::SendClip(doc, big + QLatin1Char('x')), TSingleInstance::ClipRefused);
    EXPECT_EQ(got.size(), 2);
}

TEST(SingleInstanceClip, BusyAndRefusedAreToldApart) {
    SocketHome h;
    const QString doc = h.doc("忙しい.wrn");
    TSingleInstance holder;
    ASSERT_TRUE(holder.Listen(doc));
    // No window to take clips yet: busy, so the client may try again.
    EXPECT_EQ(clipFromAnotherThread(doc, QStringLiteral("a")), TSingleInstance::ClipBusy);
    holder.ClipHandler = [](const QString&) {
        return QString::fromLatin1(TSingleInstance::BusyReason);
    };
    EXPECT_EQ(clipFromAnotherThread(doc, QStringLiteral("a")), TSingleInstance::ClipBusy);
    holder.ClipHandler = [](const QString&) {
        return QStringLiteral("項目を作成できませんでした\n二行目");
    };
    QString reason;
    EXPECT_EQ(clipFromAnotherThread(doc, QStringLiteral("a"), &reason),
              TSingleInstance::ClipRefused);
    EXPECT_EQ(reason, QStringLiteral("項目を作成できませんでした 二行目"));
    // The hand-over still works on the same socket.
    QSignalSpy shown(&holder, &TSingleInstance::showRequested);
    EXPECT_TRUE(notifyFromAnotherThread(doc));
    EXPECT_EQ(shown.count(), 1);
}

TEST(SingleInstanceClip, NobodyListeningOrAnotherFileUnderTheName) {
    SocketHome h;
    const QString doc = h.doc("不在.wrn");
    EXPECT_EQ(TSingleInstance::SendClip(doc, QStringLiteral("a")), TSingleInstance::ClipNoInstance);
    EXPECT_EQ(TSingleInstance::SendClip(QString(), QStringLiteral("a")),
              TSingleInstance::ClipRefused);

    // A link under the name to a server of someone's choosing is not followed.
    const QString elsewhere = h.home.file(QStringLiteral("罠"));
    QLocalServer trap;
    ASSERT_TRUE(trap.listen(elsewhere));
    ASSERT_TRUE(QFile::link(elsewhere, TSingleInstance::ServerName(doc)));
    EXPECT_EQ(TSingleInstance::SendClip(doc, QStringLiteral("秘密"), nullptr, 500),
              TSingleInstance::ClipNoInstance);
    QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
    EXPECT_FALSE(trap.hasPendingConnections());
}

TEST(SingleInstanceClip, AnnouncementsThatDoNotFitAreCut) {
    SocketHome h;
    const QString doc = h.doc("嘘.wrn");
    TSingleInstance holder;
    ASSERT_TRUE(holder.Listen(doc));
    int calls = 0;
    holder.ClipHandler = [&calls](const QString&) {
        ++calls;
        return QString();
    };
    const QString name = TSingleInstance::ServerName(doc);
    auto send = [&name](const QByteArray& bytes) {
        QLocalSocket s;
        s.connectToServer(name);
        if (!s.waitForConnected(1000))
            return QByteArray("unconnected");
        s.write(bytes);
        s.flush();
        waitUntil([&s] { return s.state() != QLocalSocket::ConnectedState || s.canReadLine(); },
                  3000);
        return s.readAll();
    };
    // Over the cap, not a number, negative: nothing is made.
    EXPECT_EQ(
        send("msgClipWrenDoc " + QByteArray::number(TSingleInstance::MaxClipBytes + 1) + "\nx"),
        QByteArray());
    EXPECT_EQ(send("msgClipWrenDoc zwei\nx"), QByteArray());
    EXPECT_EQ(send("msgClipWrenDoc -1\n"), QByteArray());
    // More than announced is not a clip of ours.
    EXPECT_EQ(send("msgClipWrenDoc 2\nabc"), QByteArray());
    EXPECT_EQ(calls, 0);
    // Exactly as announced.
    EXPECT_EQ(send("msgClipWrenDoc 3\nabc"), QByteArray("ok\n"));
    EXPECT_EQ(calls, 1);
}

TEST(SingleInstanceClip, AStrangersServerNeverGetsTheText) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to run a server as another user";
    SocketHome h;
    const QString doc = h.doc("他人.wrn");
    const QString name = TSingleInstance::ServerName(doc);
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(ready[0]);
        if (::seteuid(54321) != 0)
            ::_exit(90);
        ::setfsuid(0);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        const QByteArray native = QFile::encodeName(name);
        std::memcpy(addr.sun_path, native.constData(),
                    std::min(size_t(native.size()), sizeof addr.sun_path - 1));
        if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
            ::listen(fd, 8) != 0)
            ::_exit(91);
        (void)!::write(ready[1], "r", 1);
        for (;;) {
            const int c = ::accept(fd, nullptr, nullptr);
            if (c >= 0) {
                char buf[256];
                if (::read(c, buf, sizeof buf) > 0)
                    (void)!::write(ready[1], "m", 1);
                (void)!::write(c, "ok\n", 3);
                ::close(c);
            }
        }
    }
    ::close(ready[1]);
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    EXPECT_EQ(TSingleInstance::SendClip(doc, QStringLiteral("秘密"), nullptr, 1000),
              TSingleInstance::ClipNoInstance);
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    ::fcntl(ready[0], F_SETFL, O_NONBLOCK);
    EXPECT_NE(::read(ready[0], &c, 1), 1) << "the stranger read the text";
    ::close(ready[0]);
}

TEST(SingleInstanceActivation, TheStartsTokenTravelsToTheWindowRaised) {
    SocketHome h;
    const QString doc = h.doc("前へ.wrn");
    TSingleInstance holder;
    ASSERT_TRUE(holder.Listen(doc));
    QByteArray seen;
    QObject::connect(&holder, &TSingleInstance::showRequested,
                     [&seen] { seen = qgetenv("XDG_ACTIVATION_TOKEN"); });
    {
        EnvScope token("XDG_ACTIVATION_TOKEN", "sway-token_1:2/3");
        EXPECT_TRUE(notifyFromAnotherThread(doc));
        EXPECT_EQ(seen, QByteArray("sway-token_1:2/3"));
    }
    // What arrives that is no token is not put into the environment.
    EnvScope none("XDG_ACTIVATION_TOKEN", QByteArray());
    const QString name = TSingleInstance::ServerName(doc);
    for (const QByteArray& line :
         {QByteArray("msgShowWrenDoc two words\n"), QByteArray("msgShowWrenDoc \x01\n"),
          QByteArray("msgShowWrenDoc ") + QByteArray(TSingleInstance::MaxToken + 1, 'a') + '\n'}) {
        seen = "unset";
        QLocalSocket s;
        s.connectToServer(name);
        ASSERT_TRUE(s.waitForConnected(1000));
        s.write(line);
        s.flush();
        waitUntil([&seen] { return seen != "unset"; }, 3000);
        EXPECT_TRUE(seen.isEmpty()) << line.left(40).constData();
        EXPECT_FALSE(qEnvironmentVariableIsSet("XDG_ACTIVATION_TOKEN"));
    }
    EXPECT_TRUE(TSingleInstance::IsActivationToken(QByteArray(TSingleInstance::MaxToken, 'a')));
    EXPECT_FALSE(TSingleInstance::IsActivationToken(QByteArray()));
}
