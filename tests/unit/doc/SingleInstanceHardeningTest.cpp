// The hand-over socket against other users and against clients that never
// finish: a private folder, peer credentials both ways, and a server that
// keeps listening.
#include "platform/SingleInstance.h"

#include "InstanceSupport.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include <csignal>
#include <fcntl.h>
#include <sys/fsuid.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr uid_t kStranger = 54321;

// A home whose temporary folder and runtime folder are its own.
struct SocketHome {
    TestHome home;
    std::unique_ptr<EnvScope> tmp, runtime;
    SocketHome() {
        tmp = std::make_unique<EnvScope>("TMPDIR", QFile::encodeName(home.path()));
        runtime = std::make_unique<EnvScope>("XDG_RUNTIME_DIR", QByteArray());
    }
    QString doc(const char* name) const { return home.file(QString::fromUtf8(name)); }
};

mode_t modeOf(const QString& path) {
    struct stat st {};
    ::lstat(QFile::encodeName(path).constData(), &st);
    return st.st_mode & 0777;
}

// Runs body in a child process as another user (effective uid) that still
// may enter our folders (file-system uid root); returns its exit code.
int runAsStranger(const std::function<int()>& body,
                  const std::function<void()>& whileWaiting = {}) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::seteuid(kStranger) != 0)
            ::_exit(90);
        ::setfsuid(0);
        ::_exit(body());
    }
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid)
            break;
        if (whileWaiting)
            whileWaiting();
        ::usleep(10000);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

sockaddr_un addressOf(const QString& path) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const QByteArray native = QFile::encodeName(path);
    std::memcpy(addr.sun_path, native.constData(),
                std::min(size_t(native.size()), sizeof addr.sun_path - 1));
    return addr;
}

} // namespace

TEST(SingleInstanceSocket, LivesInAPrivateFolder) {
    SocketHome h;
    const QString folder = TSingleInstance::SocketFolder();
    ASSERT_FALSE(folder.isEmpty());
    EXPECT_TRUE(folder.startsWith(h.home.path()));
    EXPECT_EQ(modeOf(folder), 0700u);
    // Opened up by someone: closed again before it is used.
    ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0777), 0);
    EXPECT_EQ(TSingleInstance::SocketFolder(), folder);
    EXPECT_EQ(modeOf(folder), 0700u);
    EXPECT_EQ(QFileInfo(TSingleInstance::ServerName(h.doc("a.wrn"))).absolutePath(), folder);

    // A private runtime folder is preferred; a shared one is not used.
    const QString runtime = h.home.file(QStringLiteral("run"));
    ASSERT_TRUE(QDir().mkpath(runtime));
    ::chmod(QFile::encodeName(runtime).constData(), 0755);
    {
        EnvScope env("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
        EXPECT_EQ(TSingleInstance::SocketFolder(), folder);
        ::chmod(QFile::encodeName(runtime).constData(), 0700);
        EXPECT_EQ(TSingleInstance::SocketFolder(), runtime);
    }
}

TEST(SingleInstanceSocket, AFolderOfAnotherUserIsNeverUsed) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to make a folder of another user";
    SocketHome h;
    const QString squatted = h.home.file(QStringLiteral("WrenNOTE-%1").arg(::getuid()));
    ASSERT_TRUE(QDir().mkpath(squatted));
    ASSERT_EQ(::chmod(QFile::encodeName(squatted).constData(), 0777), 0);
    ASSERT_EQ(::chown(QFile::encodeName(squatted).constData(), kStranger, kStranger), 0);
    EXPECT_TRUE(TSingleInstance::SocketFolder().isEmpty());
    EXPECT_TRUE(TSingleInstance::ServerName(h.doc("b.wrn")).isEmpty());
    // No hand-over at all, rather than one to a stranger.
    EXPECT_FALSE(TSingleInstance::NotifyRunning(h.doc("b.wrn"), 500));
    TSingleInstance instance;
    EXPECT_EQ(instance.Claim(h.doc("b.wrn")), TSingleInstance::NotClaimed);
}

TEST(SingleInstanceSocket, ASquattersServerIsNeitherToldNorTrusted) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to run a server as another user";
    SocketHome h;
    const QString doc = h.doc("秘密.wrn");
    const QString name = TSingleInstance::ServerName(doc);
    ASSERT_FALSE(name.isEmpty());
    // The squatter binds the name first and listens as another user.
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(ready[0]);
        if (::seteuid(kStranger) != 0)
            ::_exit(90);
        ::setfsuid(0);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr = addressOf(name);
        if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
            ::listen(fd, 8) != 0)
            ::_exit(91);
        (void)!::write(ready[1], "r", 1);
        // Whatever is sent, it would read; the test ends it.
        for (;;) {
            const int c = ::accept(fd, nullptr, nullptr);
            if (c >= 0) {
                char buf[256];
                const ssize_t n = ::read(c, buf, sizeof buf);
                if (n > 0)
                    (void)!::write(ready[1], "m", 1);
                (void)!::write(c, "ok\n", 3);
                ::close(c);
            }
        }
    }
    ::close(ready[1]);
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ASSERT_EQ(c, 'r');

    EXPECT_FALSE(TSingleInstance::NotifyRunning(doc, 1000)) << "handed over to a stranger";
    // The name is taken over: this instance listens and is reached.
    TSingleInstance instance;
    EXPECT_EQ(instance.Claim(doc), TSingleInstance::Claimed);
    EXPECT_TRUE(instance.IsListening());
    QSignalSpy shown(&instance, &TSingleInstance::showRequested);
    EXPECT_TRUE(notifyFromAnotherThread(doc));
    waitUntil([&] { return shown.count() >= 1; });
    EXPECT_EQ(shown.count(), 1);

    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    // The squatter never received the document's message.
    ::fcntl(ready[0], F_SETFL, O_NONBLOCK);
    EXPECT_NE(::read(ready[0], &c, 1), 1);
    ::close(ready[0]);
}

TEST(SingleInstanceSocket, AClientOfAnotherUserIsRefused) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to connect as another user";
    SocketHome h;
    const QString doc = h.doc("他人.wrn");
    TSingleInstance holder;
    ASSERT_TRUE(holder.Listen(doc));
    QSignalSpy shown(&holder, &TSingleInstance::showRequested);
    const QString name = TSingleInstance::ServerName(doc);
    const int code = runAsStranger(
        [&] {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un addr = addressOf(name);
            if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
                return 2;
            const char msg[] = "msgShowWrenDoc\n";
            (void)!::write(fd, msg, sizeof msg - 1);
            char buf[8] = {};
            // Refused: the server closes without a reply.
            return ::read(fd, buf, sizeof buf) > 0 ? 1 : 0;
        },
        [] { QCoreApplication::processEvents(QEventLoop::AllEvents, 10); });
    EXPECT_EQ(code, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(shown.count(), 0);
}

TEST(SingleInstanceServer, LongLinesIdleClientsAndCrowdsAreCut) {
    SocketHome h;
    const QString doc = h.doc("混雑.wrn");
    TSingleInstance holder;
    ASSERT_TRUE(holder.Listen(doc));
    QSignalSpy shown(&holder, &TSingleInstance::showRequested);
    const QString name = TSingleInstance::ServerName(doc);

    // Thirty silent clients: at most sixteen are served at once.
    std::vector<std::unique_ptr<QLocalSocket>> idle;
    for (int i = 0; i < 30; ++i) {
        idle.push_back(std::make_unique<QLocalSocket>());
        idle.back()->connectToServer(name);
    }
    waitUntil([&] { return holder.ClientCount() >= TSingleInstance::MaxClients; }, 2000);
    QCoreApplication::processEvents(QEventLoop::AllEvents, 200);
    EXPECT_LE(holder.ClientCount(), TSingleInstance::MaxClients);
    EXPECT_GT(holder.ClientCount(), 0);
    // After the idle time they are all dropped.
    waitUntil([&] { return holder.ClientCount() == 0; }, TSingleInstance::IdleMs + 3000);
    EXPECT_EQ(holder.ClientCount(), 0);
    int connected = 0;
    for (auto& s : idle)
        if (s->state() == QLocalSocket::ConnectedState)
            ++connected;
    EXPECT_EQ(connected, 0);
    idle.clear();

    // A line without an end is not gathered past the cap.
    QLocalSocket flood;
    flood.connectToServer(name);
    ASSERT_TRUE(flood.waitForConnected(1000));
    const QByteArray chunk(64 * 1024, 'x');
    for (int i = 0; i < 16 && flood.state() == QLocalSocket::ConnectedState; ++i) {
        flood.write(chunk);
        flood.flush();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    waitUntil([&] { return flood.state() != QLocalSocket::ConnectedState; }, 1500);
    EXPECT_NE(flood.state(), QLocalSocket::ConnectedState);
    EXPECT_EQ(holder.ClientCount(), 0);

    // And the holder is still reached.
    EXPECT_TRUE(notifyFromAnotherThread(doc));
    waitUntil([&] { return shown.count() >= 1; });
    EXPECT_EQ(shown.count(), 1);
}

TEST(SingleInstanceServer, KeepsListeningWhenTheFileLimitIsReached) {
    SocketHome h;
    const QString doc = h.doc("限界.wrn");
    TSingleInstance holder;
    ASSERT_TRUE(holder.Listen(doc));
    QSignalSpy shown(&holder, &TSingleInstance::showRequested);
    const QString name = TSingleInstance::ServerName(doc);

    // Use up the descriptors, so that the server's accept() fails.
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &old), 0);
    std::vector<int> held;
    {
        rlimit low = old;
        low.rlim_cur = 256;
        ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &low), 0);
        for (;;) {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            if (fd < 0)
                break;
            sockaddr_un addr = addressOf(name);
            if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
                ::close(fd);
                break;
            }
            held.push_back(fd);
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
    }
    for (int fd : held)
        ::close(fd);
    ::setrlimit(RLIMIT_NOFILE, &old);
    // Whatever happened meanwhile, the holder listens again and is reached.
    waitUntil([&] { return holder.IsListening(); }, 3000);
    EXPECT_TRUE(holder.IsListening());
    EXPECT_TRUE(QFileInfo::exists(name));
    EXPECT_TRUE(notifyFromAnotherThread(doc));
    waitUntil([&] { return shown.count() >= 1; });
    EXPECT_EQ(shown.count(), 1);
}
